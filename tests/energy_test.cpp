// The meters' lifetime counters: read from real documents by hand, checked
// from read to read, and counted into the day's totals where the program
// did not run. The simulated installation gives the documents of a whole
// run; its counters advance with its power.
#include <gtest/gtest.h>

#include <memory>
#include <simdjson.h>

#include <cstdlib>
#include <ctime>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fixed_wall_clock.h"
#include "history/day_money.h"
#include "history/history.h"
#include "fakes/memory_file_system.h"
#include "publish/mqtt_messages.h"
#include "site/counter_guard.h"
#include "site/tariff.h"
#include "site/counter_state.h"
#include "site/counter_stage.h"
#include "site/meter_counters.h"
#include "site/site_meters.h"
#include "test_support.h"
#include "tools/gateway_document.h"
#include "zone_for_tests.h"
#ifdef _WIN32
#include <filesystem>

#include "win32/win32_file_system.h"
#endif

namespace pelmora {
namespace {

using Values = std::vector<std::optional<double>>;  // in the order of Counter

Values values_of(const CounterValues& counters) { return Values(counters.begin(), counters.end()); }

struct DocumentRow {
    const char* name;
    const char* readings;
    const char* meters;  // "" for a gateway without a meter list: read by position
    bool second_is_total;
    Values expected;  // produced, imported, exported, consumed, charged, discharged
};
class DocumentCountersTest : public ::testing::TestWithParam<DocumentRow> {};

// Every expected figure is the document's actEnergyDlvd or actEnergyRcvd of
// the meter that keeps the counter.
TEST_P(DocumentCountersTest, EachCounterFromItsMeter) {
    const DocumentRow& row = GetParam();
    SiteReader reader;
    const std::string readings = test::ReadFixture(row.readings);
    const std::optional<SiteReading> site =
        std::string(row.meters).empty() ? reader.ReadByPosition(readings, row.second_is_total)
                                        : reader.Read(*ParseSiteMeters(test::ReadFixture(row.meters)), readings);
    ASSERT_TRUE(site);
    EXPECT_EQ(values_of(CountersOf(*site).wh), row.expected);
}

const std::nullopt_t none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(Rows, DocumentCountersTest,
                         ::testing::Values(DocumentRow{"three_phase_by_position",
                                                       "site/fw-7.6.175-three-phase.json",
                                                       "",
                                                       false,
                                                       {3183793.885, 3738205.282, 1776768.769, none, none, none}},
                                           DocumentRow{"three_phase_second_meter_total",
                                                       "site/fw-7.6.175-three-phase.json",
                                                       "",
                                                       true,
                                                       {3183793.885, none, none, 3738205.282, none, none}},
                                           DocumentRow{"newer_firmware_by_position",
                                                       "site/fw-8.2.4345.json",
                                                       "",
                                                       false,
                                                       {1243812.228, 648203.353, 883899.646, none, none, none}},
                                           DocumentRow{
                                               "battery_by_meter",
                                               "site/fw-8.2.4286-battery.json",
                                               "site/fw-8.2.4286-battery-meters.json",
                                               false,
                                               {13431336.968, 5855939.23, 4173334.272, none, 5409935.465, 4073871.031}},
                                           DocumentRow{"eight_meters_backfeed_left_out",
                                                       "site/fw-8.3.1598-eight-meters.json",
                                                       "site/fw-8.3.1598-eight-meters-meters.json",
                                                       false,
                                                       {47077.959, 108563.587, 22728.922, none, 8052.959, 344.359}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Step {
    std::int64_t epoch;
    double wh;
    double power_w;
    std::optional<double> used;  // what the guard passes on
};
struct GuardRow {
    const char* name;
    std::vector<Step> steps;
    int log_lines;
};
class CounterGuardTest : public ::testing::TestWithParam<GuardRow> {};

// One counter (produced) read after read: a rise is allowed 1.5 times the
// larger power over the time, and 10 Wh, for reads up to 5 minutes apart.
TEST_P(CounterGuardTest, RisesTheMeterCannotExplainAreLeftOut) {
    std::ostringstream log;
    CounterGuard guard(log);
    for (const Step& s : GetParam().steps) {
        CounterReading reading;
        at(reading.wh, Counter::Produced) = s.wh;
        reading.power_w[0] = s.power_w;
        EXPECT_EQ(at(guard.Check(s.epoch, reading), Counter::Produced), s.used) << "at " << s.epoch;
    }
    const std::string text = log.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), GetParam().log_lines) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CounterGuardTest,
    ::testing::Values(
        // 3,600 W for 10 s: 10 Wh, allowed 15 + 10.
        GuardRow{"rise_at_the_bound", {{0, 1000, 3600, 1000}, {10, 1025, 3600, 1025}}, 0},
        GuardRow{"rise_just_beyond", {{0, 1000, 3600, 1000}, {10, 1025.01, 3600, none}}, 1},
        GuardRow{"jump_never_counted",
                 {{0, 1000, 0, 1000}, {1, 5001000, 0, none}, {2, 5001000.5, 0, 1000.5}, {3, 5001001, 0, 1001}},
                 1},
        GuardRow{"reset_starts_a_series", {{0, 1000, 500, 1000}, {1, 0, 500, 0}, {2, 0.2, 500, 0.2}}, 1},
        GuardRow{"jump_then_back_down", {{0, 1000, 0, 1000}, {1, 6000, 0, none}, {2, 1000.001, 0, 1000.001}}, 2},
        GuardRow{"five_minutes_apart_checked", {{0, 1000, 0, 1000}, {300, 1011, 0, none}}, 1},
        GuardRow{"further_apart_not_checked", {{0, 1000, 0, 1000}, {301, 1011, 0, 1011}, {14701, 60000, 0, 60000}}, 0},
        GuardRow{"new_series_drops_the_held_offset",
                 {{0, 1000, 0, 1000}, {1, 6000, 0, none}, {2, 0, 0, 0}, {3, 0.5, 0, 0.5}},
                 2},
        GuardRow{"absurd_values_are_none",
                 {{0, 1000, 0, 1000}, {1, -5, 0, none}, {2, 1e297, 0, none}, {3, 1000.5, 0, 1000.5}},
                 0},
        GuardRow{"small_drift_down_is_jitter",
                 {{0, 1e6, 0, 1e6}, {1, 1e6 - 1, 0, 1e6}, {2, 1e6 - 2, 0, 1e6}, {3, 1e6 - 3, 0, 1e6}, {4, 1e6, 0, 1e6}},
                 1},
        GuardRow{
            "dip_to_zero_and_back_continues_the_series",
            {{0, 26785000, 0, 26785000}, {1, 0, 0, 0}, {2, 26785000.2, 0, 26785000.2}, {3, 26785000.4, 0, 26785000.4}},
            2},
        GuardRow{"allowance_covers_a_stretch_not_each_read",
                 {{0, 1000, 0, 1000}, {1, 1009.9, 0, 1009.9}, {2, 1019.8, 0, none}, {3, 1029.7, 0, none}},
                 2},
        GuardRow{
            "held_jump_survives_a_drop_and_return",
            {{0, 1000, 0, 1000}, {1, 6000, 0, none}, {2, 6000.5, 0, 1000.5}, {3, 0, 0, 0}, {4, 6000.75, 0, 1000.75}},
            3},
        GuardRow{"stepping_between_two_values_gives_nothing",
                 {{0, 1000, 0, 1000}, {1, 1050, 0, none}, {2, 1000, 0, 1000}, {3, 1050, 0, 1000}, {4, 1000, 0, 1000}},
                 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CounterGuard, DerivedConsumptionNeverGoesDown) {
    std::ostringstream log;
    CounterGuard guard(log);
    const auto read = [&](std::int64_t epoch, double produced, double imported, double exported) {
        CounterReading reading;
        reading.wh = {produced, imported, exported, none, none, none};
        reading.power_w = {5000, 5000, 5000, 0, 0, 0};
        const CounterValues out = guard.Check(epoch, reading);
        EXPECT_TRUE(guard.consumed_derived());
        return *at(out, Counter::Consumed);
    };
    EXPECT_DOUBLE_EQ(read(0, 100, 50, 30), 120);
    EXPECT_DOUBLE_EQ(read(1, 100, 50, 31), 120);  // export ran ahead of production by a rounding
    EXPECT_DOUBLE_EQ(read(2, 101.5, 50, 31), 120.5);

    // Across a restart too: the floor is kept with the state.
    const std::optional<SavedCounters> saved =
        ParseCounterState(CounterStateText("10.0.0.5", guard.tracks(), guard.derived_floor()), "10.0.0.5", 3);
    ASSERT_TRUE(saved);
    guard.Restore(saved->tracks, saved->derived_floor);
    EXPECT_DOUBLE_EQ(read(3, 101.5, 50, 40), 120.5);
}

// Keeps what the publisher would send for each read.
struct Published : FinishedReadSink {
    void OnFinishedRead(const FinishedRead& read) override { states.push_back(StatePayload(read)); }
    std::vector<std::string> states;
};

constexpr std::int64_t kTen = 1796688000 + 10 * 3600;  // 2026-12-08T10:00:00Z

struct RunRow {
    const char* name;
    std::int64_t closed_at;  // seconds after 10:00 at which the program closes for four hours; 0 for never
    int jump_at;             // the read whose counters jump by 5 MWh; 0 for none
    int reset_at;            // the read whose counters drop to 0; 0 for none
    int log_lines;
    int restart_at = 0;  // the read before which the program starts again on the same files; 0 for none
};
class RunCountersTest : public ::testing::TestWithParam<RunRow> {};

// Twenty minutes of reads at 1 Hz from the simulated installation at noon
// sun, through the counter stage into the history and the state messages.
// The day's totals are the integration's, plus what the counters rose while
// the program was closed; a jump is never counted or published, and a reset
// makes no energy negative.
TEST_P(RunCountersTest, DayTotalsFromTheCounters) {
    const RunRow& row = GetParam();
    test::InZone zone("UTC");
    MemoryFileSystem files;
    test::ZoneCalendar calendar;
    FixedWallClock clock(kTen + 86400);
    History history(files, calendar, clock, "/h");
    Published published;
    std::ostringstream log;
    auto started = [&] {
        return std::make_unique<CounterStage>(false, log, std::vector<FinishedReadSink*>{&history, &published}, &files,
                                              "/data/counters");
    };
    std::unique_ptr<CounterStage> stage = started();
    SimulatedInstallation installation(11);

    std::array<double, 3> before{}, after{};  // produced, imported, exported around the closed stretch
    std::int64_t epoch = kTen;
    for (int read = 1; read <= 1200; ++read, ++epoch) {
        if (row.closed_at != 0 && epoch == kTen + row.closed_at) epoch += 4 * 3600;
        if (read == row.jump_at) installation.JumpCounters(5e6);
        if (read == row.reset_at) installation.ResetCounters();
        if (read == row.restart_at) {
            stage->Flush();
            stage = started();
        }
        const std::vector<SimulatedMeter> meters = installation.Sample(epoch, 12.0);
        FinishedRead finished;
        finished.epoch = epoch;
        finished.production_w = meters[0].whole.activePower;
        finished.grid_w = meters[1].whole.activePower;
        finished.consumption_w = finished.production_w + finished.grid_w;
        finished.document = RenderReadings(meters, DocumentLayout::Indented);
        finished.address = "10.0.0.5";
        stage->OnFinishedRead(finished);
        const std::array<double, 3> now = {meters[0].whole.actEnergyDlvd, meters[1].whole.actEnergyDlvd,
                                           meters[1].whole.actEnergyRcvd};
        if (epoch == kTen + row.closed_at - 1) before = now;
        if (row.closed_at != 0 && epoch == kTen + row.closed_at + 4 * 3600) after = now;
    }
    history.Flush();

    const std::vector<MinuteRecord> minutes = history.Day("2026-12-08").minutes;
    Energy integrated;
    for (const MinuteRecord& m : minutes) {
        integrated += m.energy;
        for (const std::optional<double>& c : m.counters) EXPECT_GE(c.value_or(0.0), 0.0);
    }
    const Energy counted = DayEnergy(minutes);
    Energy summed;
    for (const Energy& e : MinuteEnergies(minutes)) summed += e;
    for (const double Energy::*flow :
         {&Energy::produced_wh, &Energy::consumed_wh, &Energy::imported_wh, &Energy::exported_wh})
        EXPECT_NEAR(summed.*flow, counted.*flow, 1e-6) << "the minutes add up to the day";
    const double produced_closed = after[0] - before[0];
    EXPECT_NEAR(counted.produced_wh, integrated.produced_wh + produced_closed, 0.1);
    EXPECT_NEAR(counted.imported_wh, integrated.imported_wh + after[1] - before[1], 0.1);
    EXPECT_NEAR(counted.exported_wh, integrated.exported_wh + after[2] - before[2], 0.1);
    EXPECT_NEAR(counted.consumed_wh, counted.produced_wh + counted.imported_wh - counted.exported_wh, 1e-6);
    if (row.closed_at != 0) {
        // Four hours at about 4 kW that the integration alone never saw.
        EXPECT_GT(produced_closed, 14000.0);
    }
    EXPECT_EQ(CountedSince(minutes), "10:00");

    int without_produced = 0;
    for (const std::string& state : published.states) {
        simdjson::dom::parser parser;
        simdjson::dom::object energy;
        ASSERT_EQ(parser.parse(state).at_key("energy").get(energy), simdjson::SUCCESS) << state;
        double produced = 0.0;
        if (energy["produced"].get(produced) != simdjson::SUCCESS) {
            ++without_produced;
            continue;
        }
        EXPECT_GE(produced, 0.0);
        EXPECT_LT(produced, 9000.0) << "a jump reached a message";  // kWh; the installation starts at 8,123
    }
    EXPECT_EQ(without_produced, row.jump_at != 0 ? 1 : 0);
    const std::string text = log.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), row.log_lines) << text;
}

INSTANTIATE_TEST_SUITE_P(Rows, RunCountersTest,
                         ::testing::Values(RunRow{"closed_for_four_hours", 610, 0, 0, 0},
                                           RunRow{"counter_jump", 0, 500, 0, 1}, RunRow{"counter_reset", 0, 0, 500, 1},
                                           RunRow{"counter_jump_then_a_restart", 0, 500, 0, 1, 800}),
                         [](const auto& info) { return std::string(info.param.name); });

// A minute's energy at `offset` seconds east of UTC, local `hour`:`minute` of 2024-08-06.
MinuteRecord minute_at(int hour, int minute, double imported_wh, double consumed_wh, std::int32_t offset = 0) {
    MinuteRecord m;
    m.start = 1722902400 + hour * 3600 + minute * 60 - offset;
    m.offset_seconds = offset;
    m.samples = 60;
    m.energy.imported_wh = imported_wh;
    m.energy.consumed_wh = consumed_wh;
    m.energy.exported_wh = imported_wh == 0.0 ? 50.0 : 0.0;
    return m;
}

// Each minute's energy at its own local minute's price, rounded to the cent
// only once for the day; a day the clocks change has 25 hours of minutes.
TEST(DayMoney, EachMinuteAtItsPriceRoundedOnce) {
    AbsurdNotes absurd;
    const Tariff usd = *ParseTariff(test::ReadFixture("site/fw-8.2.4286-battery-tariff.json"), absurd);
    // 15:59 at 0.42303 and 16:00 on at 0.5878 a kWh, local time.
    const std::vector<MinuteRecord> day = {minute_at(15, 59, 100, 300), minute_at(16, 0, 100, 300),
                                           minute_at(16, 1, 0, 300)};
    const Money money = DayMoney(day, usd);
    EXPECT_NEAR(money.bought, 0.1 * 0.42303 + 0.1 * 0.5878, 1e-6);
    EXPECT_NEAR(money.savings, 0.2 * 0.42303 + 0.2 * 0.5878 + 0.3 * 0.5878, 1e-6);
    EXPECT_EQ(money.sold, 0.0) << "the tariff buys nothing back";
    EXPECT_EQ(MoneyText(money, usd.currency), "Bought 0.10 USD, sold 0.00 USD, net 0.10 USD, savings 0.38 USD");
    EXPECT_NEAR(DayMoney({minute_at(16, 0, 100, 300, 7200)}, usd).bought, 0.1 * 0.5878, 1e-6) << "local time";
    // The hour the clocks go back comes twice, each time at its local price.
    EXPECT_NEAR(DayMoney({minute_at(16, 30, 100, 100, 7200), minute_at(16, 30, 100, 100, 3600)}, usd).bought,
                0.2 * 0.5878, 1e-6);

    Tariff flat;
    flat.currency = "EUR";
    flat.buy = 0.2;
    flat.fixed_per_day = 0.5;
    // 20 Wh a minute at 0.20 is 0.004: three minutes are 0.012, which rounds
    // to a cent; rounded each minute they would make nothing.
    const std::vector<MinuteRecord> small = {minute_at(1, 0, 20, 20), minute_at(1, 1, 20, 20), minute_at(1, 2, 20, 20)};
    EXPECT_EQ(MoneyText(DayMoney(small, flat), ""), "Bought 0.01, sold 0.00, net 0.51, savings 0.00");
    EXPECT_EQ(CoverageText(small), "Covers 3 of 1,440 minutes");
    const std::vector<MinuteRecord> autumn = {minute_at(0, 0, 1, 1, 7200), minute_at(23, 59, 1, 1, 3600)};
    EXPECT_EQ(CoverageText(autumn), "Covers 2 of 1,500 minutes");

    Energy energy;
    energy.produced_wh = 23400;
    energy.consumed_wh = 18200;
    energy.imported_wh = 6100;
    energy.exported_wh = 11300;
    EXPECT_EQ(RatiosText(energy), "Self-sufficiency 66.5 %, self-consumption 51.7 %");
}

// Runs on two gateways, one after the other and both in one run: each keeps
// its own state, so a jump held back on the first stays held back there.
TEST(CounterStage, EachGatewayKeepsItsOwnState) {
    struct Last : FinishedReadSink {
        void OnFinishedRead(const FinishedRead& read) override { produced = read.counters[0]; }
        std::optional<double> produced;
    } last;
    MemoryFileSystem files;
    std::ostringstream log;
    SimulatedInstallation a(11), b(12);
    std::int64_t epoch = kTen;
    const auto read = [&](CounterStage& stage, SimulatedInstallation& site, const char* address) {
        FinishedRead finished;
        finished.epoch = ++epoch;
        const std::vector<SimulatedMeter> meters = site.Sample(epoch, 12.0);
        finished.document = RenderReadings(meters, DocumentLayout::Indented);
        finished.address = address;
        stage.OnFinishedRead(finished);
        return meters[0].whole.actEnergyDlvd;
    };
    {
        CounterStage first(false, log, {&last}, &files, "/data/counters-Pelmora");
        for (int i = 0; i < 3; ++i) read(first, a, "10.0.0.5");
        a.JumpCounters(5e6);
        for (int i = 0; i < 3; ++i) read(first, a, "10.0.0.5");
        for (int i = 0; i < 3; ++i) read(first, b, "envoy.local:8080");  // the address changed mid-run
        first.Flush();
    }
    CounterStage second(false, log, {&last}, &files, "/data/counters-Pelmora");
    for (int i = 0; i < 3; ++i) read(second, b, "envoy.local:8080");
    const double raw = read(second, a, "10.0.0.5");
    ASSERT_TRUE(last.produced);
    EXPECT_LT(*last.produced, raw - 4e6) << "the jump held back on 10.0.0.5 came back";
    EXPECT_TRUE(files.read_file("/data/counters-Pelmora-envoy.local_8080"));
}

// A power no reading may have, beside a counter's jump, explains nothing.
TEST(CounterGuard, APowerNoReadingHasExplainsNoJump) {
    for (const double wild : {5e10, 1e70}) {
        std::ostringstream log;
        CounterGuard guard(log);
        CounterReading reading;
        reading.wh = {1000, 50, 30, none, none, none};
        reading.power_w = {3000, 0, 0, 0, 0, 0};
        guard.Check(100, reading);
        reading.wh = {1000 + 5e6, 50, 30, none, none, none};
        reading.power_w[0] = wild;
        EXPECT_NE(guard.Check(101, reading)[0], std::optional<double>(1000 + 5e6)) << wild;
        EXPECT_NE(log.str().find("cannot explain"), std::string::npos) << wild;
    }
}

// What the guard knew reads back for its own gateway only, and a state
// with a value out of a counter's bounds is no state.
TEST(CounterState, ReadsBackForItsGatewayOnly) {
    std::ostringstream log;
    CounterGuard guard(log);
    CounterReading reading;
    reading.wh = {1000, 50, 30, none, none, none};
    guard.Check(0, reading);
    reading.wh = {6000, 50, 30, none, none, none};
    guard.Check(1, reading);
    const std::string text = CounterStateText("10.0.0.5", guard.tracks());
    const std::optional<SavedCounters> back = ParseCounterState(text, "10.0.0.5", 1);
    ASSERT_TRUE(back);
    EXPECT_EQ(CounterStateText("10.0.0.5", back->tracks, back->derived_floor), text);
    EXPECT_DOUBLE_EQ(back->tracks[0].offset, 5000.0);
    EXPECT_FALSE(ParseCounterState(text, "10.0.0.6", 1));
    std::string absurd = text;
    absurd.replace(absurd.find("produced 6000"), 13, "produced -1e300");
    EXPECT_FALSE(ParseCounterState(absurd, "10.0.0.5", 1));
    EXPECT_FALSE(ParseCounterState("garbage", "10.0.0.5", 1));

    // Times before 1970 or a day ahead of the gateway's, and powers no reading has, are no state.
    const std::string line =
        text.substr(text.find("produced"), text.find('\n', text.find("produced")) - text.find("produced"));
    std::istringstream fields(line);
    std::vector<std::string> f{std::istream_iterator<std::string>(fields), std::istream_iterator<std::string>()};
    ASSERT_EQ(f.size(), 9u) << line;
    const auto with = [&](std::size_t at, const std::string& value) {
        std::vector<std::string> changed = f;
        changed[at] = value;
        std::string joined = changed[0];
        for (std::size_t i = 1; i < changed.size(); ++i) joined += ' ' + changed[i];
        std::string out = text;
        return out.replace(out.find(line), line.size(), joined);
    };
    for (const auto& [at, value] : {std::pair<std::size_t, std::string>{3, "-9223372036854775808"},
                                    {3, "86402"},
                                    {8, "-1"},
                                    {4, "1e9"},
                                    {4, "-10000001"}})
        EXPECT_FALSE(ParseCounterState(with(at, value), "10.0.0.5", 1)) << at << " " << value;
    EXPECT_TRUE(ParseCounterState(with(3, "86401"), "10.0.0.5", 1)) << "a day ahead is still the gateway's clock";

    // What the guard holds is always written so that it reads back.
    CounterGuard::Tracks wild = guard.tracks();
    wild[0].power = 1e70;
    ASSERT_TRUE(ParseCounterState(CounterStateText("10.0.0.5", wild), "10.0.0.5", 1));
    EXPECT_EQ(ParseCounterState(CounterStateText("10.0.0.5", wild), "10.0.0.5", 1)->tracks[0].power, 0.0);
}

struct LineRow {
    const char* name;
    std::string line;
    bool reads;
    Values counters;
};
class CounterColumnsTest : public ::testing::TestWithParam<LineRow> {};

// Lines from before the counters still read; the counters' six columns come
// last, an empty one for a counter the site lacks.
TEST_P(CounterColumnsTest, ReadAndWrittenBack) {
    const LineRow& row = GetParam();
    const std::optional<MinuteRecord> m = ParseMinuteLine(row.line);
    ASSERT_EQ(m.has_value(), row.reads);
    if (!m) return;
    EXPECT_EQ(values_of(m->counters), row.counters);
    EXPECT_EQ(MinuteLine(*m), row.line + "\n");
}

const std::string kBase = "2026-12-08T15:03:00+01:00,1234.6,456.7,-777.8,60,20.576,7.612,0.000,12.963";
INSTANTIATE_TEST_SUITE_P(Rows, CounterColumnsTest,
                         ::testing::Values(LineRow{"before_counters", kBase, true, Values(6)},
                                           LineRow{"before_counters_battery", kBase + ",-500.0,8.333,0.000", true,
                                                   Values(6)},
                                           LineRow{"counters",
                                                   kBase + ",8123456.789,5432109.000,3210987.123,,,",
                                                   true,
                                                   {8123456.789, 5432109.0, 3210987.123, none, none, none}},
                                           LineRow{"battery_and_counters",
                                                   kBase + ",-500.0,8.333,0.000,1.000,2.000,3.000,,4.000,5.000",
                                                   true,
                                                   {1.0, 2.0, 3.0, none, 4.0, 5.0}},
                                           LineRow{"counter_not_a_number", kBase + ",x,1,2,,,", false, {}},
                                           LineRow{"counter_beyond_bound", kBase + ",1e14,1,2,,,", false, {}},
                                           LineRow{"two_extra_columns", kBase + ",1,2", false, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora

#ifdef _WIN32
namespace pelmora {
namespace {

// The Windows program names its state file with backslashes; a restart finds
// what the first run wrote.
TEST(CounterStageOnWindows, TheStateIsKeptUnderABackslashedPath) {
    const std::string folder = std::filesystem::temp_directory_path().string() + "\\PelmoraCounters" +
                               std::to_string(std::time(nullptr)) + "\\Pelmora";
    const std::string path = folder + "\\counters-Pelmora";
    Win32FileSystem files;
    std::ostringstream log;
    SimulatedInstallation installation(11);
    {
        CounterStage stage(false, log, {}, &files, path);
        for (std::int64_t epoch = kTen; epoch < kTen + 5; ++epoch) {
            FinishedRead finished;
            finished.epoch = epoch;
            finished.document = RenderReadings(installation.Sample(epoch, 12.0), DocumentLayout::Indented);
            finished.address = "10.0.0.5";
            stage.OnFinishedRead(finished);
        }
        stage.Flush();
    }
    const std::optional<std::string> kept = files.read_file(path + "-10.0.0.5");
    ASSERT_TRUE(kept) << log.str();
    EXPECT_TRUE(ParseCounterState(*kept, "10.0.0.5", kTen + 5)) << *kept;
    EXPECT_EQ(log.str().find("cannot be written"), std::string::npos) << log.str();
    files.remove_file(path + "-10.0.0.5");
    std::filesystem::remove_all(std::filesystem::path(folder).parent_path());
}

}  // namespace
}  // namespace pelmora
#endif
