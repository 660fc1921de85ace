#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes.h"
#include "gateway/gateway_request.h"
#include "gateway/side_document.h"
#include "form/memory_controls_view.h"
#include "readings/pelmora_read.h"
#include "platform/tick_source.h"

namespace pelmora::test {

// Answers every request with the next scripted text (the last one repeats)
// and keeps the URLs asked for.
class ScriptedRequest : public GatewayRequest {
public:
    explicit ScriptedRequest(std::vector<std::string> answers = {""}) : m_answers(std::move(answers)) {}
    std::string launch(const std::string& url) override {
        urls.push_back(url);
        if (m_next + 1 < m_answers.size()) return m_answers[m_next++];
        return m_answers.empty() ? std::string() : m_answers.back();
    }
    void set_answer(std::string answer) {
        m_answers = {std::move(answer)};
        m_next = 0;
    }
    std::vector<std::string> urls;

private:
    std::vector<std::string> m_answers;
    std::size_t m_next = 0;
};

// A tick count that moves by `step` milliseconds at every look.
class SteppingTicks : public TickSource {
public:
    explicit SteppingTicks(std::uint32_t start = 1000, std::uint32_t step = 87) : m_now(start), m_step(step) {}
    std::uint32_t GetTickCount() override {
        const std::uint32_t now = m_now;
        m_now += m_step;
        return now;
    }

private:
    std::uint32_t m_now;
    std::uint32_t m_step;
};

// The read routine on a fake window for the gateway "envoy.local",
// answering `document`; each read gives its finished figures.
struct FakeWindowReader {
    MemoryControlsView view;
    ScriptedRequest request;
    SteppingTicks ticks;
    FixedRegionalFormat format;
    MemoryFileSystem files;
    ErrorLog log{files, format};
    FormValues form;

    explicit FakeWindowReader(const std::string& document) : request({document}) { view.set_text("IP", "envoy.local"); }
    FinishedRead read() {
        FinishedRead finished;
        PelmoraRead(ReadContext{view, request, ticks, format, log, files}, form, &finished);
        return finished;
    }
};

// A side document's fetch that ends at once with what the script holds for
// the URL's path (an empty answer for any other), keeping the URLs asked.
class ScriptedSide : public SideDocument {
public:
    std::map<std::string, SideAnswer> answers;
    std::vector<std::string> asked;

    bool Start(std::unique_ptr<GatewayRequest> request, const std::string& url) override {
        if (m_done || request == nullptr) return false;
        asked.push_back(url);
        const std::size_t host = url.find("://");
        const std::size_t path = url.find('/', host == std::string::npos ? 0 : host + 3);
        const auto found = answers.find(path == std::string::npos ? "/" : url.substr(path));
        m_done = found == answers.end() ? SideAnswer{} : found->second;
        return true;
    }
    std::optional<SideAnswer> Take() override { return std::exchange(m_done, std::nullopt); }

private:
    std::optional<SideAnswer> m_done;
};

}  // namespace pelmora::test
