#include "gateway/threaded_side_document.h"

namespace pelmora {

ThreadedSideDocument::~ThreadedSideDocument() {
    if (!m_thread.joinable()) return;
    bool running = false;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        running = m_shared->running;
    }
    if (running) {
        m_thread.detach();
    } else {
        m_thread.join();
    }
}

bool ThreadedSideDocument::Start(std::unique_ptr<GatewayRequest> request, const std::string& url) {
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->running) return false;
        m_shared->running = true;
        m_shared->answer.reset();
    }
    if (m_thread.joinable()) m_thread.join();
    m_thread = std::thread([shared = m_shared, request = std::move(request), url] {
        std::string body = request->launch_side(url);
        const long status = request->last_status();
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->answer = SideAnswer{std::move(body), status};
        shared->running = false;
    });
    return true;
}

std::optional<SideAnswer> ThreadedSideDocument::Take() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    std::optional<SideAnswer> answer = std::move(m_shared->answer);
    m_shared->answer.reset();
    return answer;
}

}  // namespace pelmora
