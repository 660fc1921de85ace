#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/poll_session.h"
#include "app/program_folders.h"
#include "access/token_keeper.h"
#include "app/side_token_request.h"
#include "fakes.h"
#include "fakes/fixed_wall_clock.h"
#include "fakes/memory_settings_store.h"
#include "form/settings.h"
#include "history/history_view.h"
#include "read_fakes.h"
#include "test_support.h"

namespace pelmora {
namespace {

class KeptReads : public FinishedReadSink {
public:
    void OnFinishedRead(const FinishedRead& read) override { reads.push_back(read); }
    std::vector<FinishedRead> reads;
};

// One window's session over fakes; the gateway answers `answers` in turn.
struct Session {
    MemoryControlsView view;
    test::ScriptedRequest request;
    test::SteppingTicks ticks{1000, 10};
    test::FixedRegionalFormat format;
    MemoryFileSystem files;
    MemorySettingsStore settings;
    KeptReads sink;
    PollSession session;

    explicit Session(std::vector<std::string> answers, const std::string& backoff = "")
        : request(std::move(answers)),
          session(PollServices{view, request, ticks, format, files, settings, {&sink}, nullptr, nullptr, "Pelmora"}) {
        view.set_text("IP", "envoy.local");
        if (!backoff.empty()) settings.SaveSetting(kSettingsApp, "Gateway", "Backoff", backoff);
        session.Load();
    }
};

struct TickRow {
    const char* name;
    std::vector<std::string> answers;
    std::string backoff;
    bool second_reads;         // the second tick right after the first goes out
    std::size_t reads_passed;  // finished reads the sink got over both ticks
    bool coloured;             // the tray gets a colour after the last read
};

class PollSessionTest : public ::testing::TestWithParam<TickRow> {};

TEST_P(PollSessionTest, TwoTicks) {
    const TickRow& row = GetParam();
    Session s(row.answers, row.backoff);
    const PollOutcome first = s.session.Tick();
    const PollOutcome second = s.session.Tick();
    EXPECT_TRUE(first.read);
    EXPECT_EQ(second.read, row.second_reads);
    EXPECT_EQ(s.sink.reads.size(), row.reads_passed);
    const PollOutcome& last = row.second_reads ? second : first;
    ASSERT_TRUE(last.tray.has_value());
    EXPECT_EQ(last.tray->colour.has_value(), row.coloured);
    EXPECT_FALSE(last.site.has_value()) << "no site stage, no site row";
    if (!row.second_reads) {
        EXPECT_EQ(s.view.text("TimeStamp"), "Next read in 2 s");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PollSessionTest,
    ::testing::Values(TickRow{"good_reads", {test::ReadFixture("readings.json")}, "", true, 2, true},
                      TickRow{"failed_reads_without_backoff", {""}, "", true, 2, false},
                      TickRow{"a_failure_holds_the_next_back", {""}, "true", false, 1, false},
                      TickRow{"good_reads_with_backoff", {test::ReadFixture("readings.json")}, "true", true, 2, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Answers the readings with `readings` and the meter list with `meters`.
class SiteGateway : public GatewayRequest {
public:
    std::string launch(const std::string& url) override { return url.ends_with("/ivp/meters") ? meters : readings; }
    std::string readings, meters;
};

// With the mode taken from the meter list, switching it off during a run
// gives the program's name its mode back at once.
TEST(PollSessionMode, FromTheListAndBackToTheName) {
    SiteGateway gateway;
    gateway.readings = test::ReadFixture("site/fw-8.2.4286-battery.json");
    gateway.meters = test::ReadFixture("site/fw-8.2.4286-battery-meters.json");
    const std::string net = "\"net-consumption\"";
    gateway.meters.replace(gateway.meters.find(net), net.size(), "\"total-consumption\"");
    MemoryControlsView view;
    view.set_text("IP", "envoy.local");
    test::SteppingTicks ticks{1000, 10};
    test::FixedRegionalFormat format;
    MemoryFileSystem files;
    MemorySettingsStore settings;
    settings.SaveSetting(kSettingsApp, kGatewaySection, kModeFromListKey, "true");
    FixedWallClock clock(1796688000);
    SiteStage site(gateway, clock, {});
    PollSession session(
        PollServices{view, gateway, ticks, format, files, settings, {&site}, &site, nullptr, "Pelmora"});
    session.Load();
    session.Tick();
    session.Tick();
    EXPECT_TRUE(session.form().ConsumptionMode) << "the list names a total-consumption meter";
    EXPECT_EQ(session.CaptionNote(), "");
    session.set_mode_from_list(false);
    EXPECT_FALSE(session.form().ConsumptionMode) << "the name's mode is back";
    session.Tick();
    EXPECT_EQ(session.CaptionNote(), " - second meter: start PelmoraB");
    EXPECT_EQ(settings.GetSetting(kSettingsApp, kGatewaySection, kModeFromListKey, ""), "false");
}

// A pin store that keeps nothing, as settings another program holds locked.
class UnkeptPins : public PinStore {
public:
    std::optional<CertificateFacts> Load() override { return std::nullopt; }
    void Save(const CertificateFacts&) override {}
};

// The meter list's request goes out on a connection of its own with the key
// and the session the reads hold: a forged key there gets no token, and no
// second session is opened.
TEST(SideTokenRequest, HoldsTheReadsPinAndSession) {
    using test::FakeHttpsTransport;
    const std::string url = "https://envoy.local/ivp/meters/readings";
    FixedWallClock clock(1796688000);
    FakeHttpsTransport gateway;
    UnkeptPins pins;
    TokenGatewayRequest reads(gateway, pins, clock);
    reads.set_token("eyJ.e30.c2ln");
    EXPECT_EQ(MakeSideTokenRequest(std::make_unique<FakeHttpsTransport>(), reads, "eyJ.e30.c2ln", clock), nullptr)
        << "no session of the reads' yet";
    ASSERT_EQ(reads.launch(url), gateway.document);

    auto same = std::make_unique<FakeHttpsTransport>();
    FakeHttpsTransport& list_gateway = *same;
    list_gateway.document = "[]";
    std::unique_ptr<GatewayRequest> list;
    {
        // A fetch may outlive the services it was made from.
        const FixedWallClock gone(1796688000);
        list = MakeSideTokenRequest(std::move(same), reads, "eyJ.e30.c2ln", gone);
    }
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->launch("https://envoy.local/ivp/meters"), "[]");
    ASSERT_EQ(list_gateway.calls.size(), 1u) << "the reads' session, no check of its own";
    EXPECT_NE(
        std::find(list_gateway.calls[0].headers.begin(), list_gateway.calls[0].headers.end(), "Cookie: sessionId=5e55"),
        list_gateway.calls[0].headers.end());

    auto forged = std::make_unique<FakeHttpsTransport>();
    FakeHttpsTransport& forger = *forged;
    forger.key.key_sha256 = "BBBB";
    const std::unique_ptr<GatewayRequest> forged_list =
        MakeSideTokenRequest(std::move(forged), reads, "eyJ.e30.c2ln", clock);
    ASSERT_NE(forged_list, nullptr);
    EXPECT_EQ(forged_list->launch("https://envoy.local/ivp/meters"), "");
    EXPECT_TRUE(forger.calls.empty()) << "the token went to a key the reads never pinned";
}

// Two programs on one gateway keep their days apart; Pelmora's stay where they were.
TEST(HistoryFolderName, OnePerProgram) {
    EXPECT_EQ(HistoryFolderName("Pelmora"), "history");
    EXPECT_EQ(HistoryFolderName("PelmoraB"), "history-PelmoraB");
    EXPECT_EQ(HistoryFolderName("my copy/..\\x"), "history-my_copy_.._x");
}

TEST(SiteRow, BatteryStates) {
    struct Row {
        std::optional<double> battery, load;
        bool shown;
        std::string text, load_text, tooltip;
        OleColor colour;
    };
    for (const Row& row : {Row{std::nullopt, 500.0, false, "", "", "", kWindowBackground},
                           Row{-1234.56, 300.0, true, "-1,234.6", "300.0", "Battery charging", kBatteryCharging},
                           Row{0.04, std::nullopt, true, "0.0", "", "Battery discharging", kBatteryDischarging},
                           Row{0.0, 10.0, true, "0.0", "10.0", "Battery idle", kWindowBackground}}) {
        SiteReading site;
        site.battery_w = row.battery;
        site.load_w = row.load;
        const SiteRow shown = SiteRowOf(&site);
        EXPECT_EQ(shown.battery, row.shown);
        EXPECT_EQ(shown.battery_text, row.text);
        EXPECT_EQ(shown.house_load_text, row.load_text);
        EXPECT_EQ(shown.battery_tooltip, row.tooltip);
        EXPECT_EQ(shown.battery_colour, row.colour);
    }
    EXPECT_FALSE(SiteRowOf(nullptr).battery);
}

TEST(HistoryView, RangesAndMonthTitles) {
    const std::vector<RangeChoice> ranges =
        RangeChoices({"2026-11-29", "2026-11-30", "2026-12-01", "2026-12-02"}, "2026-12-02");
    std::vector<std::string> keys;
    for (const RangeChoice& r : ranges) keys.push_back(r.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"hour", "today", "2026", "2026-12", "2026-12-01", "2026-11", "2026-11-30",
                                              "2026-11-29"}));
    EXPECT_EQ(ranges[2].label, "Year 2026");
    EXPECT_EQ(ranges[3].label, "December 2026");
    for (const auto& [month, title] : std::vector<std::pair<std::string, std::string>>{
             {"2026-01", "January 2026"}, {"2026-13", "2026-13"}, {"2026-00", "2026-00"}, {"20261", "20261"}})
        EXPECT_EQ(MonthTitle(month), title) << month;
}

}  // namespace
}  // namespace pelmora
