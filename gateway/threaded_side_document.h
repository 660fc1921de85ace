#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "gateway/side_document.h"

namespace pelmora {

// Each fetch on a thread of its own. The end waits for a fetch under way
// only as long as it takes to finish when it is already done; one still
// running is left to end with the program.
class ThreadedSideDocument : public SideDocument {
public:
    ThreadedSideDocument() = default;
    ~ThreadedSideDocument() override;
    ThreadedSideDocument(const ThreadedSideDocument&) = delete;
    ThreadedSideDocument& operator=(const ThreadedSideDocument&) = delete;

    bool Start(std::unique_ptr<GatewayRequest> request, const std::string& url) override;
    std::optional<SideAnswer> Take() override;

private:
    struct Shared {
        std::mutex mutex;
        bool running = false;
        std::optional<SideAnswer> answer;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    std::thread m_thread;
};

}  // namespace pelmora
