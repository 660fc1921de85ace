// Name resolution that hangs (a preloaded resolver makes "*.slow.test" take
// ten seconds): the request ends at the resolve limit and is not held up by
// the resolution still running.
#include <gtest/gtest.h>

#include <chrono>

#include "curl/url_launch.h"

namespace pelmora {
namespace {

using namespace std::chrono_literals;

TEST(ResolveLimit, HangingResolutionEndsNearItsLimit) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(urlLaunch("http://gateway.slow.test/ivp/meters/readings"), "");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 3400ms);
    EXPECT_LT(took, 6s);
}

// The request that keeps its handles is not held up by the resolution its
// last call left running either.
TEST(ResolveLimit, AKeptRequestEndsNearItsLimitEachTime) {
    CurlGatewayRequest request;
    for (int i = 0; i < 2; ++i) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(request.launch("http://gateway.slow.test/ivp/meters/readings"), "");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 6s) << i;
    }
    EXPECT_EQ(request.launch("http://localhost:1/ivp/meters/readings"), "");
}

TEST(ResolveLimit, OrdinaryNamesStillResolve) {
    // localhost resolves from the hosts file; nothing listens on port 1.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(urlLaunch("http://localhost:1/ivp/meters/readings"), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

}  // namespace
}  // namespace pelmora
