// The WinHTTP gateway request under Wine, against the Linux gateway
// simulator that tests/with_simulator.sh starts; PELMORA_EXPECT says what the
// simulator's mode should give: "document", "body" (any text) or "empty",
// within PELMORA_WITHIN_MS and, for a gateway that never answers, after at
// least PELMORA_AFTER_MS.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "win32/winhttp_request.h"

namespace pelmora {
namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

TEST(WinHttp, AnswersAsTheSimulatorsModeSays) {
    const std::string address = variable("PELMORA_GATEWAY_ADDRESS");
    if (address.empty()) GTEST_SKIP() << "no simulator: run it through tests/with_simulator.sh";
    const std::string expect = variable("PELMORA_EXPECT");
    const auto start = std::chrono::steady_clock::now();
    const std::string answer = WinHttpLaunch("http://" + address + "/ivp/meters/readings");
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (expect == "document") {
        EXPECT_NE(answer.find("\"activePower\""), std::string::npos) << answer.substr(0, 200);
        EXPECT_EQ(answer.front(), '[');
    } else if (expect == "body") {
        EXPECT_FALSE(answer.empty());
    } else {
        EXPECT_EQ(answer, "") << answer.size() << " bytes";
    }
    EXPECT_LT(took, std::atoi(variable("PELMORA_WITHIN_MS").c_str()));
    EXPECT_GE(took, std::atoi(variable("PELMORA_AFTER_MS").c_str()));
}

TEST(WinHttp, UnsendableUrlsSendNothing) {
    for (const char* url : {"http://user@127.0.0.1:9/", "http://127.0.0.1 :9/", "https://127.0.0.1:9/",
                            "ftp://127.0.0.1/", "http://", "http://:80/", "http://127.0.0.1:9/\x01"})
        EXPECT_EQ(WinHttpLaunch(url), "") << url;
}

}  // namespace
}  // namespace pelmora
