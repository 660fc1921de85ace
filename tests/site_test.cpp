// The site read by meter: the gateway's meter list, and real readings
// documents matched to it by eid. Every expected figure was read off the
// documents by hand.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fakes/fixed_wall_clock.h"
#include "site/site_meters.h"
#include "site/site_reading.h"
#include "site/printable_text.h"
#include "site/said_once.h"
#include "site/site_stage.h"
#include "site/site_text.h"
#include "read_fakes.h"
#include "test_support.h"

namespace pelmora {
namespace {

struct MeterExpect {
    MeterType type;
    double power_w;
    std::vector<double> phases;
};

struct SiteRow {
    const char* name;
    const char* readings;
    const char* meters;
    std::vector<MeterExpect> expected;
    std::optional<double> consumption_w, battery_w, load_w;
};
class SiteReadingTest : public ::testing::TestWithParam<SiteRow> {};

TEST_P(SiteReadingTest, MetersByEidAndTheFiguresFromThem) {
    const SiteRow& row = GetParam();
    const std::optional<std::vector<SiteMeter>> meters = ParseSiteMeters(test::ReadFixture(row.meters));
    ASSERT_TRUE(meters);
    SiteReader reader;
    const std::optional<SiteReading> site = reader.Read(*meters, test::ReadFixture(row.readings));
    ASSERT_TRUE(site);
    ASSERT_EQ(site->meters.size(), row.expected.size());
    for (std::size_t i = 0; i < row.expected.size(); ++i) {
        EXPECT_EQ(site->meters[i].meter.type, row.expected[i].type) << i;
        EXPECT_DOUBLE_EQ(site->meters[i].power_w, row.expected[i].power_w) << i;
        EXPECT_EQ(site->meters[i].phase_power_w, row.expected[i].phases) << i;
    }
    const auto near = [](std::optional<double> got, std::optional<double> want, const char* what) {
        ASSERT_EQ(got.has_value(), want.has_value()) << what;
        if (want) {
            EXPECT_NEAR(*got, *want, 1e-9) << what;
        }
    };
    near(site->consumption_w, row.consumption_w, "consumption");
    near(site->battery_w, row.battery_w, "battery");
    near(site->load_w, row.load_w, "load");
    EXPECT_FALSE(site->meters_disagree);
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteReadingTest,
                         ::testing::Values(
                             // Charging at 7,083.7 W from 7,131.0 W produced while 1,749.5 W is
                             // imported; net channel 3 (storage channel 2 again) is not a phase.
                             SiteRow{"battery_charging_split_phase",
                                     "site/fw-8.2.4286-battery.json",
                                     "site/fw-8.2.4286-battery-meters.json",
                                     {{MeterType::Production, 7131.017, {3562.174, 3568.843}},
                                      {MeterType::NetConsumption, 1749.504, {809.907, 939.597}},
                                      {MeterType::Storage, -7083.656, {-3538.447, -3545.209}}},
                                     7131.017 + 1749.504,
                                     -7083.656,
                                     7131.017 + 1749.504 - 7083.656},
                             // Seven listed meters, three disabled (one at timestamp 0), and an
                             // eighth entry the list does not name.
                             SiteRow{"eight_entries_four_meters",
                                     "site/fw-8.3.1598-eight-meters.json",
                                     "site/fw-8.3.1598-eight-meters-meters.json",
                                     {{MeterType::Production, 0.0, {0.0, -0.0}},
                                      {MeterType::NetConsumption, 3760.828, {2395.037, 1459.645}},
                                      {MeterType::Storage, -1297.667, {-655.695, -652.373}},
                                      {MeterType::Backfeed, -686.225, {-661.536, 0.0}}},
                                     3760.828,
                                     -1297.667,
                                     3760.828 - 1297.667}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SiteReading, BatteryDocumentKeepsTheWindowsConsumption) {
    SiteReader reader;
    const auto site = reader.Read(*ParseSiteMeters(test::ReadFixture("site/fw-8.2.4286-battery-meters.json")),
                                  test::ReadFixture("site/fw-8.2.4286-battery.json"));
    ASSERT_TRUE(site);
    EXPECT_NEAR(*site->consumption_w, 8880.521, 1e-9) << "what the window shows as Consumption";
    EXPECT_NEAR(*site->load_w, 1796.865, 1e-9);
    EXPECT_NEAR(*site->battery_w, -7083.656, 1e-9);
}

std::string meter_entry(const std::string& eid, const std::string& type, const std::string& phases) {
    return R"({"eid":)" + eid + R"(,"state":"enabled","measurementType":")" + type +
           R"(","phaseMode":"split","phaseCount":)" + phases + R"(,"meteringStatus":"normal","statusFlags":[]})";
}

struct ListRow {
    const char* name;
    std::string text;
    std::size_t meters;  // 0: not a meter list
};
class MeterListTest : public ::testing::TestWithParam<ListRow> {};

// An answer that is not a usable meter list is no site at all.
TEST_P(MeterListTest, OnlyAUsableListIsASite) {
    const auto meters = ParseSiteMeters(GetParam().text);
    EXPECT_EQ(meters ? meters->size() : 0u, GetParam().meters);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MeterListTest,
    ::testing::Values(
        ListRow{"real_list", test::ReadFixture("site/fw-8.3.1598-eight-meters-meters.json"), 7},
        ListRow{"not_found_page", "<html><body><h1>404 Not Found</h1></body></html>", 0},
        ListRow{"empty_list", "[]", 0}, ListRow{"an_object", R"({"eid":1})", 0},
        ListRow{"five_megabytes", "[" + std::string(5 << 20, ' ') + "]", 0},
        ListRow{"duplicate_eids",
                "[" + meter_entry("1", "production", "1") + "," + meter_entry("1", "storage", "1") + "]", 0},
        ListRow{"phase_counts_0_and_99",
                "[" + meter_entry("1", "production", "0") + "," + meter_entry("2", "storage", "99") + "]", 0},
        ListRow{"one_good_one_without_phases",
                "[" + meter_entry("1", "production", "3") + "," + meter_entry("2", "storage", "99") + "]", 1},
        ListRow{"unknown_type_kept", "[" + meter_entry("7", "heat-pump", "1") + "]", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SiteMeters, TypesAndStatusAsListed) {
    const auto meters = ParseSiteMeters(
        R"([{"eid":9,"state":"disabled","measurementType":"heat-pump","phaseMode":"three","phaseCount":3,)"
        R"("meteringStatus":"not-metering","statusFlags":["production-imbalance","negative-production"]}])");
    ASSERT_TRUE(meters);
    const SiteMeter& m = meters->front();
    EXPECT_EQ(m.type, MeterType::Other);
    EXPECT_EQ(m.type_text, "heat-pump");
    EXPECT_FALSE(m.enabled);
    EXPECT_EQ(m.metering_status, "not-metering");
    EXPECT_EQ(m.status_flags, (std::vector<std::string>{"production-imbalance", "negative-production"}));
}

// Meters placed otherwise than the usual model: the house load comes out
// below zero and is kept so, marked as a disagreement.
TEST(SiteReading, ANegativeHouseLoadIsKeptAndMarked) {
    const auto meters =
        ParseSiteMeters("[" + meter_entry("1", "production", "1") + "," + meter_entry("2", "net-consumption", "1") +
                        "," + meter_entry("3", "storage", "1") + "]");
    ASSERT_TRUE(meters);
    SiteReader reader;
    const auto site = reader.Read(*meters, R"([{"eid":1,"timestamp":5,"activePower":1000},)"
                                           R"({"eid":2,"timestamp":5,"activePower":-200},)"
                                           R"({"eid":3,"timestamp":5,"activePower":-1536}])");
    ASSERT_TRUE(site);
    EXPECT_DOUBLE_EQ(*site->load_w, -736.0);
    EXPECT_TRUE(site->meters_disagree);
    EXPECT_FALSE(reader.Read(*meters, "not json"));
    EXPECT_FALSE(reader.Read(*meters, R"([{"eid":99,"timestamp":5,"activePower":1}])")) << "no listed meter";
}

// Answers the meter list path from `meters`, anything else from nothing.
class MeterListRequest : public GatewayRequest {
public:
    std::string launch(const std::string& url) override {
        if (url.ends_with("/ivp/meters")) {
            asked.push_back(url);
            return meters;
        }
        return {};
    }
    std::string meters;
    std::vector<std::string> asked;
};

struct Collected : FinishedReadSink {
    void OnFinishedRead(const FinishedRead& read) override { reads.push_back(read); }
    std::vector<FinishedRead> reads;
};

FinishedRead good_read(const std::string& address, const std::string& document) {
    FinishedRead read;
    read.address = address;
    read.epoch = 1722967007;
    read.document = document;
    return read;
}

// The meter list is asked for once, and again only when the address, the
// access or the document's set of meters change, at most once a minute; any
// answer that is not a list is asked again a minute later, and until then
// reads pass on as they came.
TEST(SiteStage, AsksForTheMeterListOnlyWhenSomethingChanged) {
    const std::string battery = test::ReadFixture("site/fw-8.2.4286-battery.json");
    const std::string battery_list = test::ReadFixture("site/fw-8.2.4286-battery-meters.json");
    MeterListRequest request;
    request.meters = battery_list;
    FixedWallClock clock(1000);
    Collected next;
    std::uint64_t access = 1;
    SiteStage stage(request, clock, {&next});
    stage.set_access_generation([&] { return access; });
    for (int i = 0; i < 100; ++i) stage.OnFinishedRead(good_read("10.0.0.5", battery));
    EXPECT_EQ(request.asked, std::vector<std::string>{"http://10.0.0.5/ivp/meters"});
    ASSERT_TRUE(next.reads.back().site);
    EXPECT_NEAR(*next.reads.back().site->battery_w, -7083.656, 1e-9);

    // The same meters in another order are the same site; a list that names
    // none of them is asked again a minute later.
    const std::string one_two = R"([{"eid":1,"timestamp":5,"activePower":1},{"eid":2,"timestamp":5,"activePower":2}])";
    const std::string two_one = R"([{"eid":2,"timestamp":6,"activePower":2},{"eid":1,"timestamp":6,"activePower":1}])";
    clock.set(1000 + 60);
    stage.OnFinishedRead(good_read("10.0.0.5", one_two));
    EXPECT_EQ(request.asked.size(), 2u) << "other eids, a minute later";
    request.meters = R"([{"eid":1,"measurementType":"production","phaseCount":1},)"
                     R"({"eid":2,"measurementType":"net-consumption","phaseCount":1}])";
    clock.set(1000 + 130);
    stage.OnFinishedRead(good_read("10.0.0.5", one_two));
    EXPECT_EQ(request.asked.size(), 3u) << "the battery's list named neither";
    request.meters = battery_list;
    clock.set(1000 + 200);
    for (int i = 0; i < 10; ++i) stage.OnFinishedRead(good_read("10.0.0.5", i % 2 == 0 ? two_one : one_two));
    EXPECT_EQ(request.asked.size(), 3u) << "the same eids in another order";

    stage.OnFinishedRead(good_read("10.0.0.6", battery));
    access = 2;
    stage.OnFinishedRead(good_read("10.0.0.6", battery));
    EXPECT_EQ(request.asked.size(), 5u) << "a new address and a new access ask at once";
    stage.OnFinishedRead(good_read("10.0.0.6", test::ReadFixture("site/fw-8.2.4345.json")));  // other eids
    stage.OnFinishedRead(good_read("10.0.0.6", battery));
    EXPECT_EQ(request.asked.size(), 5u) << "changed eids wait for the minute";
    clock.set(1000 + 260);
    stage.OnFinishedRead(good_read("10.0.0.6", battery));
    EXPECT_EQ(request.asked.size(), 6u);

    FinishedRead failed;
    failed.request_failed = true;
    stage.OnFinishedRead(failed);
    EXPECT_EQ(request.asked.size(), 6u) << "a failed read asks nothing";

    for (const char* answer : {"", "<html><body><h1>500 Internal Server Error</h1></body></html>"}) {
        request.meters = answer;
        const std::size_t before = request.asked.size();
        stage.OnFinishedRead(good_read(std::string("10.0.1.") + std::to_string(before), battery));
        for (int i = 0; i < 30; ++i) stage.OnFinishedRead(good_read("10.0.1." + std::to_string(before), battery));
        EXPECT_EQ(request.asked.size(), before + 1) << "not again within a minute: " << answer;
        EXPECT_FALSE(next.reads.back().site);
        EXPECT_EQ(next.reads.back().document, battery) << "passed on as it came";
        request.meters = battery_list;
        clock.set(clock.EpochSeconds() + 60);
        stage.OnFinishedRead(good_read("10.0.1." + std::to_string(before), battery));
        EXPECT_EQ(request.asked.size(), before + 2) << "asked again a minute later: " << answer;
        EXPECT_TRUE(next.reads.back().site) << "the battery appears once the list answers";
    }
}

// The window is told when the mode does not fit the second meter, and of
// every meter that reports trouble.
TEST(SiteNotes, ModeAgainstTheSecondMeterAndStatusFlags) {
    const auto battery = ParseSiteMeters(test::ReadFixture("site/fw-8.2.4286-battery-meters.json"));
    SiteReader reader;
    auto site = reader.Read(*battery, test::ReadFixture("site/fw-8.2.4286-battery.json"));
    ASSERT_TRUE(site);
    EXPECT_EQ(SiteNotes(*site, false), "");
    EXPECT_NE(SiteNotes(*site, true).find("start it as Pelmora"), std::string::npos);
    site->meters[1].meter.type = MeterType::TotalConsumption;
    EXPECT_NE(SiteNotes(*site, false).find("start it as PelmoraB"), std::string::npos);
    site->meters[2].meter.metering_status = "not-metering";
    site->meters[2].meter.status_flags = {"ct-reversed"};
    EXPECT_NE(
        SiteNotes(*site, true).find("storage meter (eid 704643840) reports status=not-metering flags=ct-reversed"),
        std::string::npos)
        << SiteNotes(*site, true);
}

// A site of production and net meters only has nothing more than the
// positional reading: nothing beyond it is shown, sent or kept.
TEST(SiteReading, ProductionAndNetAloneHaveNothingMore) {
    const auto two = ParseSiteMeters(R"([{"eid":704643328,"state":"enabled","measurementType":"production",)"
                                     R"("phaseCount":2},{"eid":704643584,"state":"enabled",)"
                                     R"("measurementType":"net-consumption","phaseCount":2}])");
    SiteReader reader;
    const auto site = reader.Read(*two, test::ReadFixture("site/fw-8.2.4345.json"));
    ASSERT_TRUE(site);
    EXPECT_FALSE(site->has_more());
    EXPECT_FALSE(site->battery_w);
    const auto battery = reader.Read(*ParseSiteMeters(test::ReadFixture("site/fw-8.2.4286-battery-meters.json")),
                                     test::ReadFixture("site/fw-8.2.4286-battery.json"));
    EXPECT_TRUE(battery->has_more());
}

// Text from the gateway reaches no terminal with its control characters: a
// meter list's type, status and flags are printable wherever they are shown.
TEST(SiteText, GatewayTextIsPrintable) {
    EXPECT_EQ(PrintableText("net-consumption"), "net-consumption");
    EXPECT_EQ(PrintableText("a\x1b[2Jb\r\n\x7f"), "a\\x1B[2Jb\\x0D\\x0A\\x7F");
    EXPECT_EQ(PrintableText("c1 \xc2\x9b x, \xc3\xa9t\xc3\xa9"), "c1 \\x9B x, \xc3\xa9t\xc3\xa9");
    const auto meters =
        ParseSiteMeters(R"([{"eid":1,"state":"enabled","measurementType":"stor\u001b]0;owned\u0007age","phaseCount":1,)"
                        R"("meteringStatus":"bad\u009b1m","statusFlags":["x\ny"]}])");
    ASSERT_TRUE(meters);
    const std::string text = MeterListText(*meters);
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u >= 0x20 || c == '\n') << text;
    }
    EXPECT_EQ(text.find("\xc2\x9b"), std::string::npos) << text;
}

// A note said once is not said again when it comes back.
TEST(SiteText, EachNoteIsSaidOnce) {
    SaidOnce said;
    EXPECT_EQ(said.NewLines("battery offline\nmode"), "battery offline\nmode\n");
    EXPECT_EQ(said.NewLines(""), "");
    EXPECT_EQ(said.NewLines("battery offline"), "");
    EXPECT_EQ(said.NewLines("mode\nnew flag"), "new flag\n");
}

}  // namespace
}  // namespace pelmora
