// HTTPS over WinHTTP under Wine, with token access as the window has it,
// against the Linux simulator's TLS mode that tests/winhttps_test.sh starts
// and whose request log it checks afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "access/pinned_key.h"
#include "access/token_request.h"
#include "fakes/fixed_wall_clock.h"
#include "token_support.h"
#include "win32/winhttps_transport.h"

namespace pelmora {
namespace {

const std::int64_t kNow = std::time(nullptr);
constexpr std::int64_t kDay = 86400;

std::string gateway_url() {
    const char* address = std::getenv("PELMORA_GATEWAY_ADDRESS");
    return address != nullptr ? "https://" + std::string(address) + "/ivp/meters/readings" : "";
}

std::string fixture(const char* name) {
    std::ifstream in(std::string(PELMORA_FIXTURES) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct TokenClient {
    TokenClient() { request.set_token(test::OwnerToken(kNow + 365 * kDay)); }
    FixedWallClock clock{kNow};
    MemoryPinStore pins;
    WinHttpsTransport transport;
    TokenGatewayRequest request{transport, pins, clock};
};

// A pin of the gateway's name whose key is not the one the simulator shows.
CertificateFacts other_key(std::int64_t not_after) {
    return CertificateFacts{"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=", "CN=envoy-122233004455", kNow - 400 * kDay,
                            not_after};
}

class WinHttps : public testing::Test {
protected:
    void SetUp() override {
        if (gateway_url().empty()) GTEST_SKIP() << "no simulator: run it through tests/winhttps_test.sh";
    }
};

TEST_F(WinHttps, ChecksTheSessionOnceAndKeepsOneConnection) {
    TokenClient client;
    const std::string document = fixture("readings.json");
    for (int i = 0; i < 100; ++i) ASSERT_EQ(client.request.launch(gateway_url()), document) << i;
    EXPECT_EQ(client.request.session_checks(), 1u);
    ASSERT_TRUE(client.pins.Load());
    EXPECT_EQ(client.pins.Load()->subject, "CN=envoy-122233004455");
    EXPECT_EQ(client.pins.Load()->key_sha256.size(), 44u);
}

TEST_F(WinHttps, AnotherKeyGetsNoTokenAndWaitsForTheUser) {
    TokenClient client;
    client.pins.Save(other_key(kNow + 300 * kDay));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(client.request.launch(gateway_url()), "");
    ASSERT_TRUE(client.request.pending_key_change());
    EXPECT_NE(client.request.pending_key_change()->seen.key_sha256, other_key(0).key_sha256);
    EXPECT_EQ(client.request.pending_key_change()->seen.subject, "CN=envoy-122233004455");
    // Trusted, the new key reads.
    client.request.trust(client.request.pending_key_change()->seen);
    EXPECT_EQ(client.request.launch(gateway_url()), fixture("readings.json"));
}

TEST_F(WinHttps, ARenewalOfAnEndingCertificateIsTakenWithoutAsking) {
    TokenClient client;
    client.pins.Save(other_key(kNow + 2 * kDay));
    EXPECT_EQ(client.request.launch(gateway_url()), fixture("readings.json"));
    EXPECT_FALSE(client.request.pending_key_change());
    EXPECT_NE(client.pins.Load()->key_sha256, other_key(0).key_sha256);
    EXPECT_TRUE(client.request.take_renewal_note());
}

// Run on a simulator whose token check and reading each take 1.5 s: the two
// share one deadline of 2 s, which would otherwise be 14 s each.
TEST_F(WinHttps, TheSessionCheckAndTheReadingShareOneDeadline) {
    FixedWallClock clock{kNow};
    MemoryPinStore pins;
    WinHttpsTransport transport;
    TokenGatewayRequest request{transport, pins, clock, std::chrono::milliseconds(2000)};
    request.set_token(test::OwnerToken(kNow + 365 * kDay));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(request.launch(gateway_url()), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000 + 1500));
}

TEST(WinHttpsTransport, SendsNothingItShouldNot) {
    WinHttpsTransport transport;
    struct Row {
        const char* name;
        HttpsCall call;
    };
    for (const Row& row :
         {Row{"plain http", {"http://127.0.0.1:9/ivp/meters/readings", {}, "", {}}},
          Row{"user information", {"https://user@127.0.0.1:9/", {}, "", {}}},
          Row{"line break in a header", {"https://127.0.0.1:9/", {"Authorization: a\r\nX: b"}, "", {}}},
          Row{"nobody listening", {"https://127.0.0.1:9/", {}, "", {}}}}) {
        const HttpsAnswer answer = transport.get(row.call);
        EXPECT_EQ(answer.outcome, HttpsAnswer::Outcome::NoAnswer) << row.name;
        EXPECT_FALSE(answer.handshake) << row.name;
    }
    EXPECT_FALSE(transport.probe("https://127.0.0.1:9/", std::nullopt));
}

}  // namespace
}  // namespace pelmora
