#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "curl/url_launch.h"
#include "loopback_server.h"
#include "readings/readings_parser.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "test_support.h"

namespace pelmora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs urlLaunch and measures how long it took.
struct Timed {
    std::string body;
    Clock::duration took;
};
Timed timed_launch(const std::string& url) {
    const auto start = Clock::now();
    std::string body = urlLaunch(url);
    return {std::move(body), Clock::now() - start};
}

std::vector<std::int64_t> power_slots(const std::string& body) {
    std::vector<std::int64_t> slots;
    for (const ReadingItem& item : ScanReadings(body)) {
        if (item.Has(Kind::ActivePower)) slots.push_back(item.Slot);
    }
    return slots;
}

TEST(UrlLaunch, ReturnsTheGatewayDocument) {
    test::SimulatorProcess gateway({"--seed", "1"});
    const std::string body = urlLaunch(gateway.url());
    EXPECT_EQ(power_slots(body), (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_GT(body.size(), 4000u);
    const int status = gateway.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(UrlLaunch, ReturnsFixedFileUnchanged) {
    test::SimulatorProcess gateway({"--fixed", std::string(PELMORA_FIXTURES) + "/readings.json"});
    EXPECT_EQ(urlLaunch(gateway.url()), test::ReadFixture("readings.json"));
}

TEST(UrlLaunch, ReturnsBodyWhateverTheStatus) {
    test::SimulatorProcess gateway({"--mode", "status", "--status", "404"});
    const std::string body = urlLaunch(gateway.url());
    EXPECT_NE(body.find("<html>"), std::string::npos);
    EXPECT_TRUE(ScanReadings(body).empty());
}

struct EmptyRow {
    const char* name;
    const char* mode;
};
class EmptyAnswerTest : public ::testing::TestWithParam<EmptyRow> {};

TEST_P(EmptyAnswerTest, GivesEmptyText) {
    test::SimulatorProcess gateway({"--mode", GetParam().mode});
    const Timed result = timed_launch(gateway.url());
    EXPECT_EQ(result.body, "");
    EXPECT_LT(result.took, 3s);
}

INSTANTIATE_TEST_SUITE_P(Rows, EmptyAnswerTest,
                         ::testing::Values(EmptyRow{"empty_200", "empty-200"}, EmptyRow{"empty_500", "empty-500"},
                                           EmptyRow{"refused", "refuse"}, EmptyRow{"oversized", "oversized"},
                                           EmptyRow{"closed_mid_body", "close-mid-body"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UrlLaunch, SizeCapIsExact) {
    test::SimulatorProcess gateway({"--fixed", std::string(PELMORA_FIXTURES) + "/readings.json"});
    const std::size_t size = test::ReadFixture("readings.json").size();
    RequestLimits limits;
    limits.max_body = size;
    EXPECT_EQ(urlLaunch(gateway.url(), limits).size(), size);
    limits.max_body = size - 1;
    EXPECT_EQ(urlLaunch(gateway.url(), limits), "");
}

struct SlowRow {
    const char* name;
    std::vector<std::string> simulator;
    std::chrono::milliseconds at_least;
    std::chrono::milliseconds below;
    RequestLimits limits = {};
};
class SlowGatewayTest : public ::testing::TestWithParam<SlowRow> {};

TEST_P(SlowGatewayTest, EndsAtItsLimit) {
    test::SimulatorProcess gateway(GetParam().simulator);
    const auto start = Clock::now();
    const Timed result{urlLaunch(gateway.url(), GetParam().limits), Clock::now() - start};
    EXPECT_EQ(result.body, "");
    EXPECT_GE(result.took, GetParam().at_least);
    EXPECT_LT(result.took, GetParam().below);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SlowGatewayTest,
    ::testing::Values(SlowRow{"receive_limit_silent_gateway", {"--mode", "silent"}, 3400ms, 5500ms},
                      SlowRow{"receive_limit_between_parts", {"--mode", "drip", "--drip-ms", "5000"}, 3400ms, 5500ms},
                      SlowRow{"whole_call_dripping_gateway", {"--mode", "drip", "--drip-ms", "1000"}, 13900ms, 16000ms},
                      // Each body part restarts the receive limit, so only the whole call ends it.
                      SlowRow{"whole_call_short_limits",
                              {"--mode", "drip", "--drip-ms", "100"},
                              1900ms,
                              3000ms,
                              RequestLimits{.receive = 300ms, .whole = 2000ms}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UrlLaunch, ConnectLimitEndsAConnectionThatNeverCompletes) {
    // A listener with a full backlog drops new connection attempts unanswered.
    test::LoopbackListener listener(0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(listener.port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    std::this_thread::sleep_for(200ms);
    const Timed result = timed_launch(listener.url());
    for (int fd : fillers) ::close(fd);
    EXPECT_EQ(result.body, "");
    EXPECT_GE(result.took, 3400ms);
    EXPECT_LT(result.took, 5500ms);
}

TEST(UrlLaunch, SlowButSteadyAnswerArrives) {
    test::SimulatorProcess gateway({"--mode", "delay", "--delay-ms", "1500"});
    EXPECT_EQ(power_slots(urlLaunch(gateway.url())).size(), 8u);
}

struct BadUrlRow {
    const char* name;
    std::string url_before;  // the listener's "127.0.0.1:port" goes between
    std::string url_after;
};
class BadUrlTest : public ::testing::TestWithParam<BadUrlRow> {};

TEST_P(BadUrlTest, FailsWithNothingSent) {
    test::LoopbackListener listener;
    const std::string url =
        GetParam().url_before + "127.0.0.1:" + std::to_string(listener.port()) + GetParam().url_after;
    EXPECT_EQ(urlLaunch(url), "");
    EXPECT_FALSE(listener.has_pending_connection()) << url;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadUrlTest,
    ::testing::Values(BadUrlRow{"blank_in_address", "http://", " /ivp/meters/readings"},
                      BadUrlRow{"header_injection", "http://", "\r\nX-Injected: 1/ivp/meters/readings"},
                      BadUrlRow{"tab", "http://", "\t/ivp/meters/readings"},
                      BadUrlRow{"user_information", "http://name:password@", "/ivp/meters/readings"},
                      BadUrlRow{"user_without_password", "http://name@", "/ivp/meters/readings"},
                      BadUrlRow{"other_scheme", "ftp://", "/ivp/meters/readings"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UrlLaunch, EmptyHostFails) {
    EXPECT_EQ(urlLaunch("http:///ivp/meters/readings"), "");
    EXPECT_EQ(urlLaunch("http://:80/ivp/meters/readings"), "");
    EXPECT_EQ(urlLaunch(""), "");
}

TEST(UrlLaunch, SendsOnlyWhatHttpNeeds) {
    test::OneShotServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
    EXPECT_EQ(urlLaunch(server.url()), "ok");
    const std::string& request = server.request();
    EXPECT_TRUE(request.starts_with("GET /ivp/meters/readings HTTP/1.1\r\nHost: 127.0.0.1:")) << request;
    // Exactly the request line and Host.
    std::size_t lines = 0;
    for (std::size_t at = request.find("\r\n"); at != std::string::npos; at = request.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 3u) << request;
}

// A status line of the process (VmRSS, VmHWM) in KiB.
long memory_kib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

TEST(UrlLaunch, EndlessTrailersEndTheReadFast) {
    const std::string filler = "X-Filler: " + std::string(1000, 'a') + "\r\n";
    test::OneShotServer server("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n", filler);
    const long before = memory_kib("VmRSS");
    const Timed result = timed_launch(server.url());
    EXPECT_EQ(result.body, "");
    EXPECT_LT(result.took, 2s);
    EXPECT_LT(memory_kib("VmHWM") - before, 100 * 1024);
}

TEST(UrlLaunch, RedirectBodyIsReturnedNotFollowed) {
    test::OneShotServer target("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\ntarget");
    test::OneShotServer server("HTTP/1.1 302 Found\r\nLocation: " + target.url() +
                               "\r\nContent-Length: 5\r\nConnection: close\r\n\r\nmoved");
    EXPECT_EQ(urlLaunch(server.url()), "moved");
}

TEST(UrlLaunch, DeclaredCharsetIsDecoded) {
    test::TempWorkingFolder folder;
    { std::ofstream("latin1.txt", std::ios::binary) << "caf\xE9 \"activePower\": 1"; }
    test::SimulatorProcess gateway(
        {"--fixed", (folder.path() / "latin1.txt").string(), "--content-type", "application/json; charset=ISO-8859-1"});
    EXPECT_EQ(urlLaunch(gateway.url()), "caf\xC3\xA9 \"activePower\": 1");
}

TEST(UrlLaunch, TwoCallsShareNothing) {
    {
        test::SimulatorProcess refusing({"--mode", "refuse"});
        EXPECT_EQ(urlLaunch(refusing.url()), "");
    }
    test::SimulatorProcess gateway({"--seed", "2"});
    const std::string first = urlLaunch(gateway.url());
    const std::string second = urlLaunch(gateway.url());
    EXPECT_EQ(power_slots(first).size(), 8u);
    EXPECT_EQ(power_slots(second).size(), 8u);
}

struct DecodeRow {
    const char* name;
    std::string body;
    std::string content_type;
    std::string text;
};
class DecodeBodyTest : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeBodyTest, Decodes) { EXPECT_EQ(DecodeBody(GetParam().body, GetParam().content_type), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeBodyTest,
    ::testing::Values(DecodeRow{"ascii", "{\"a\": 1}", "", "{\"a\": 1}"},
                      DecodeRow{"utf8_default", "caf\xC3\xA9", "application/json", "caf\xC3\xA9"},
                      DecodeRow{"bad_utf8_replaced",
                                "a\xFF"
                                "b",
                                "",
                                "a\xEF\xBF\xBD"
                                "b"},
                      DecodeRow{"cut_sequence_replaced", "a\xC3", "", "a\xEF\xBF\xBD"},
                      DecodeRow{"overlong_replaced", "\xC0\xAF", "", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                      DecodeRow{"surrogate_replaced", "\xED\xA0\x80", "", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                      DecodeRow{"latin1", "\xE9", "text/plain; charset=iso-8859-1", "\xC3\xA9"},
                      DecodeRow{"quoted_charset", "\xE9", "text/plain; charset=\"ISO-8859-1\"", "\xC3\xA9"},
                      DecodeRow{"unknown_charset_as_utf8", "ok\xFF", "text/plain; charset=x-none", "ok\xEF\xBF\xBD"},
                      DecodeRow{"nul_kept", std::string("a\0b", 3), "", std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora
