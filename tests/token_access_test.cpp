#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <regex>

#include "fakes/fixed_wall_clock.h"
#include "access/settings_pin_store.h"
#include "access/token_request.h"
#include "fakes/memory_settings_store.h"
#include "curl/curl_https_transport.h"
#include "loopback_server.h"
#include "phases/form_values.h"
#include "records/iso_regional_format.h"
#include "form/memory_controls_view.h"
#include "fakes/memory_file_system.h"
#include "readings/pelmora_read.h"
#include "read_fakes.h"
#include "records/error_log.h"
#include "site/site_stage.h"
#include "site/equipment_stage.h"
#include "gateway/threaded_side_document.h"
#include "app/side_token_request.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "test_support.h"
#include "token_support.h"

namespace pelmora {
namespace {

const std::int64_t kNow = std::time(nullptr);
constexpr std::int64_t kDay = 86400;

// The client side of token access as the window has it, on a real transport.
struct TokenClient {
    explicit TokenClient(const std::string& token, MemorySettingsStore kept = {}) : settings(std::move(kept)) {
        request.set_token(token);
    }
    FixedWallClock clock{kNow};
    MemorySettingsStore settings;
    SettingsPinStore pins{settings, "Pelmora"};
    CurlHttpsTransport transport;
    TokenGatewayRequest request{transport, pins, clock};
};

// A TLS simulator serving the fixture document to the holder of `token`.
struct TlsGateway {
    TlsGateway(const std::string& token, std::vector<std::string> extra, int port = 0)
        : token_file(write_token(token)), simulator(args(std::move(extra), port)) {}

    std::string write_token(const std::string& token) {
        const std::string path = (folder.path() / "gateway-token").string();
        std::ofstream(path) << token;
        return path;
    }
    std::vector<std::string> args(std::vector<std::string> extra, int port) {
        std::vector<std::string> all{"--tls", "--token-file", token_file, "--fixed",
                                     std::string(PELMORA_FIXTURES) + "/readings.json"};
        if (port != 0) all.insert(all.end(), {"--port", std::to_string(port)});
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    }
    // Handshakes the simulator counted, once it has stopped.
    long handshakes() {
        simulator.stop();
        std::smatch match;
        const std::string out = simulator.output();
        if (!std::regex_search(out, match, std::regex("handshakes (\\d+)"))) return -1;
        return std::stol(match[1]);
    }

    test::TempWorkingFolder folder;
    std::string token_file;
    test::SimulatorProcess simulator;
};

const std::string kToken = test::OwnerToken(kNow + 365 * kDay);

TEST(TokenAccess, ChecksTheSessionOnceAndKeepsOneConnection) {
    TlsGateway gateway(kToken, {});
    TokenClient client(kToken);
    const std::string document = test::ReadFixture("readings.json");
    for (int i = 0; i < 100; ++i) ASSERT_EQ(client.request.launch(gateway.simulator.https_url()), document) << i;
    EXPECT_EQ(client.request.session_checks(), 1u);
    EXPECT_EQ(gateway.simulator.requests("/auth/check_jwt"), 1u);
    EXPECT_EQ(client.pins.Load()->subject, "CN=envoy-122233004455");
    const long handshakes = gateway.handshakes();
    EXPECT_GE(handshakes, 1);
    EXPECT_LE(handshakes, 2);
}

// The session check and the reading share one deadline: a slow check
// leaves the reading only what is left of it (1.5 s and 1.5 s would answer).
TEST(TokenAccess, TheSessionCheckAndTheReadingShareOneDeadline) {
    TlsGateway gateway(kToken, {"--check-delay-ms", "1500", "--mode", "delay", "--delay-ms", "1500"});
    FixedWallClock clock{kNow};
    MemoryPinStore pins;
    CurlHttpsTransport transport;
    TokenGatewayRequest request{transport, pins, clock, std::chrono::milliseconds(2000)};
    request.set_token(kToken);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(request.launch(gateway.simulator.https_url()), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000 + 1500));
    EXPECT_EQ(request.session_checks(), 1u);
}

TEST(TokenAccess, NeverSpeaksPlainHttp) {
    test::LoopbackListener listener;
    TokenClient client(kToken);
    const std::string url = "http://127.0.0.1:" + std::to_string(listener.port()) + "/ivp/meters/readings";
    EXPECT_EQ(client.request.launch(url), "");
    EXPECT_EQ(client.transport.get(HttpsCall{url, {"Authorization: Bearer x"}, "", {}}).outcome,
              HttpsAnswer::Outcome::NoAnswer);
    EXPECT_FALSE(listener.has_pending_connection());
}

TEST(TokenAccess, ARefusedTokenKeepsTheFiguresAndAReplacedOneBringsThemBack) {
    TlsGateway gateway(kToken, {});
    TokenClient client(kToken);
    MemoryControlsView view;
    view.set_text("IP", gateway.simulator.address());
    view.set_value("CreateOutputchk", 1);
    view.set_text("OutFile", "out.txt");
    test::SteppingTicks ticks;
    IsoRegionalFormat format;
    MemoryFileSystem files;
    ErrorLog log(files, format);
    FormValues form;
    const ReadContext context{view, client.request, ticks, format, log, files};

    PelmoraRead(context, form);
    const std::string production = view.text("Production");
    ASSERT_NE(production, "0");
    const OleColor grid_colour = view.back_color("Grid");

    client.request.set_token(test::OwnerToken(kNow + 2 * kDay));
    PelmoraRead(context, form);
    EXPECT_EQ(view.text("TimeStamp"), "Token refused");
    EXPECT_EQ(view.text("Production"), production);
    EXPECT_EQ(view.back_color("Grid"), grid_colour);
    EXPECT_EQ(files.files["out.txt"].substr(0, 15), "Token refused\r\n");
    // A refused token is not tried again at every tick.
    const std::size_t checks = gateway.simulator.requests("/auth/check_jwt");
    PelmoraRead(context, form);
    EXPECT_EQ(gateway.simulator.requests("/auth/check_jwt"), checks);

    client.request.set_token(kToken);
    PelmoraRead(context, form);
    EXPECT_NE(view.text("TimeStamp"), "Token refused");
    EXPECT_EQ(view.text("Production"), production);
    EXPECT_EQ(files.files["out.txt"].find("Token refused"), std::string::npos);
}

// The meter list is a second document: whatever it answers, the readings go
// on with the one session, the list is asked again at most once a minute,
// and only a refused readings request would count as a refused token.
class RefusedListTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RefusedListTest, ReadingsGoOnWhateverTheListAnswers) {
    TlsGateway gateway(kToken, {"--site", "battery", "--list-status", GetParam()});
    TokenClient client(kToken);
    struct : FinishedReadSink {
        void OnFinishedRead(const FinishedRead& read) override { sites += read.site ? 1 : 0; }
        int sites = 0;
    } next;
    SiteStage stage(client.request, client.clock, {&next});
    const std::string document = test::ReadFixture("readings.json");
    for (int i = 0; i < 20; ++i) {
        client.request.scheme();
        FinishedRead read;
        read.address = gateway.simulator.address();
        read.document = client.request.launch(gateway.simulator.https_url());
        ASSERT_EQ(read.document, document) << "read " << i << ": " << client.request.failure_text();
        stage.OnFinishedRead(read);
        if (i == 9) client.clock.set(kNow + 60);
    }
    EXPECT_EQ(gateway.simulator.requests("/ivp/meters"), 2u) << "once, and again a minute later";
    EXPECT_EQ(gateway.simulator.requests("/auth/check_jwt"), 1u);
    EXPECT_FALSE(client.request.token_refused_at());
    EXPECT_EQ(next.sites, 0);
}

INSTANTIATE_TEST_SUITE_P(Statuses, RefusedListTest, ::testing::Values("401", "403", "404", "500"));

// The documents beside the readings go one at a time on connections of
// their own under the reads' session: refused, they back off alone and touch
// neither the token nor the session; slow, they hold no reading back.
TEST(TokenAccess, DocumentsBesideTheReadingsNeverTouchTheReads) {
    using namespace std::chrono_literals;
    for (const char* fault : {"refused", "slow"}) {
        TlsGateway gateway(kToken, {"--site", "battery", "--document-fault", fault, "--document-delay-ms", "3000"});
        TokenClient client(kToken);
        std::ostringstream log;
        EquipmentStage stage(client.request, client.clock, log);
        ThreadedSideDocument fetch;
        stage.set_background(&fetch, [&client] {
            return MakeSideTokenRequest(std::make_unique<CurlHttpsTransport>(), client.request, kToken, client.clock);
        });
        auto slowest = std::chrono::steady_clock::duration::zero();
        const auto began = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - began < 2500ms) {
            FinishedRead read;
            read.address = gateway.simulator.address();
            const auto start = std::chrono::steady_clock::now();
            read.document = client.request.launch(gateway.simulator.https_url());
            slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
            ASSERT_FALSE(read.document.empty()) << fault << ": " << client.request.failure_text();
            stage.OnFinishedRead(read);
            std::this_thread::sleep_for(100ms);
        }
        EXPECT_LT(slowest, 1500ms) << fault << ": a reading waited for a document";
        EXPECT_EQ(gateway.simulator.requests("/auth/check_jwt"), 1u) << fault;
        EXPECT_FALSE(client.request.token_refused_at()) << fault;
        std::size_t asked = 0;
        for (const SideDocumentPath& document : kSideDocuments) asked += gateway.simulator.requests(document.path);
        if (std::string(fault) == "refused") {
            // Each refused once, then backed off for a minute.
            EXPECT_EQ(asked, std::size(kSideDocuments) - 1) << "production.json only with older batteries";
            EXPECT_EQ(stage.schedule().status(DocumentKind::Inverters).last, SideOutcome::Failed);
        } else {
            EXPECT_EQ(asked, 0u) << "the first is still under way, and no second started";
        }
    }
}

// A header line with a control character is never sent, whatever its
// source: a token file with line breaks cannot add header lines.
TEST(TokenAccess, NoControlCharacterReachesAHeaderLine) {
    test::LoopbackListener listener;
    TokenClient client("TOKEN\r\nX-Injected: yes\r\nHost: evil.example");
    const std::string url = "https://127.0.0.1:" + std::to_string(listener.port()) + "/ivp/meters/readings";
    EXPECT_EQ(client.request.launch(url), "");
    for (const char* line : {"Authorization: Bearer a\nb", "Cookie: sessionId=\x01", "X: \x7f"})
        EXPECT_EQ(client.transport.get(HttpsCall{url, {line}, "", {}}).outcome, HttpsAnswer::Outcome::NoAnswer) << line;
    EXPECT_FALSE(listener.has_pending_connection());
}

struct PinRow {
    const char* name;
    std::vector<std::string> before;  // the certificate pinned first
    std::vector<std::string> after;   // the one the gateway shows next
    bool asked;
    const char* kept_not_after = nullptr;  // the pinned end date as a restart finds it in the settings
};
class GatewayKeyTest : public ::testing::TestWithParam<PinRow> {};

TEST_P(GatewayKeyTest, AsksOnlyWhenTheKeyChangedOutsideTheRenewal) {
    const PinRow& row = GetParam();
    TokenClient first_run(kToken);
    int port = 0;
    {
        TlsGateway first(kToken, row.before);
        port = first.simulator.port();
        ASSERT_NE(first_run.request.launch(first.simulator.https_url()), "");
    }
    MemorySettingsStore kept = first_run.settings;
    if (row.kept_not_after != nullptr) kept.SaveSetting("Pelmora", "Gateway", "KeyNotAfter", row.kept_not_after);
    TokenClient client(kToken, kept);
    TlsGateway second(kToken, row.after, port);
    const std::string url = second.simulator.https_url();
    const std::string answer = client.request.launch(url);
    if (!row.asked) {
        EXPECT_NE(answer, "");
        EXPECT_FALSE(client.request.key_change_to_ask());
        EXPECT_TRUE(client.request.take_renewal_note());
        return;
    }
    EXPECT_EQ(answer, "");
    EXPECT_EQ(client.request.failure_text(), "Certificate changed");
    EXPECT_EQ(client.request.launch(url), "");
    const auto change = client.request.key_change_to_ask();
    ASSERT_TRUE(change);
    EXPECT_FALSE(client.request.key_change_to_ask()) << "asked twice";
    EXPECT_NE(change->seen.key_sha256, change->pinned.key_sha256);
    // Nothing, the token included, reached the gateway with the new key.
    EXPECT_EQ(second.simulator.output().find("request "), std::string::npos) << second.simulator.output();

    client.request.trust(change->seen);
    EXPECT_EQ(client.request.launch(url), test::ReadFixture("readings.json"));
    EXPECT_EQ(client.pins.Load()->key_sha256, change->seen.key_sha256);
}

std::vector<std::string> starting(std::int64_t at, std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--cert-start", std::to_string(at)});
    return more;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GatewayKeyTest,
    ::testing::Values(
        PinRow{"changed_key", starting(kNow - 10 * kDay), starting(kNow - kDay, {"--new-key"}), true},
        PinRow{"yearly_renewal", starting(kNow - 350 * kDay), starting(kNow - kDay, {"--new-key"}), false},
        PinRow{"other_subject_near_expiry", starting(kNow - 350 * kDay),
               starting(kNow - kDay, {"--new-key", "--serial", "999"}), true},
        // A kept end date that cannot be read whole is not "ending".
        PinRow{"garbled_end", starting(kNow - 10 * kDay), starting(kNow - kDay, {"--new-key"}), true, "soon"},
        PinRow{"missing_end", starting(kNow - 10 * kDay), starting(kNow - kDay, {"--new-key"}), true, ""},
        PinRow{"epoch_seconds_end", starting(kNow - 10 * kDay), starting(kNow - kDay, {"--new-key"}), true,
               "1700000000"},
        PinRow{"end_with_offset", starting(kNow - 10 * kDay), starting(kNow - kDay, {"--new-key"}), true,
               "2027-01-02T00:00:00+01:00"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora
