// The history without a window: energy by the trapezoid rule with gaps and
// sign changes, local days across daylight-saving changes, the day files,
// the ring, and a folder that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <sstream>

#include "fakes/fixed_wall_clock.h"
#include "fakes/memory_settings_store.h"
#include "history/chart_model.h"
#include "history/energy.h"
#include "history/history.h"
#include "history/today_text.h"
#include "fakes/memory_file_system.h"
#include "zone_for_tests.h"

namespace pelmora {
namespace {

constexpr std::int64_t kMidnightUtc = 1796688000;  // 2026-12-08T00:00:00Z

// A history in a named zone, its day files in memory under "/h".
struct ZonedHistory {
    explicit ZonedHistory(const char* zone_name) : zone(zone_name) {}
    test::InZone zone;
    MemoryFileSystem files;
    test::ZoneCalendar calendar;
    FixedWallClock clock{kMidnightUtc + 30 * 86400};
    History history{files, calendar, clock, "/h"};
};

struct EnergyRow {
    const char* name;
    std::vector<Sample> samples;
    double produced_wh, imported_wh, exported_wh;
};
class EnergyTest : public ::testing::TestWithParam<EnergyRow> {};

// Samples through the whole history; the day's minutes add up the energy.
TEST_P(EnergyTest, DayTotals) {
    ZonedHistory zoned("UTC");
    History& history = zoned.history;
    for (const Sample& s : GetParam().samples) history.Add(s);
    history.Flush();
    const Energy e = DayEnergy(history.Day("2026-12-08").minutes);
    EXPECT_NEAR(e.produced_wh, GetParam().produced_wh, 1e-6);
    EXPECT_NEAR(e.imported_wh, GetParam().imported_wh, 1e-6);
    EXPECT_NEAR(e.exported_wh, GetParam().exported_wh, 1e-6);
}

std::vector<Sample> constant_hour() {
    std::vector<Sample> samples;
    for (std::int64_t t = 0; t <= 3600; ++t) samples.push_back({kMidnightUtc + t, 1000.0, 0.0, 0.0});
    return samples;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EnergyTest,
    ::testing::Values(
        EnergyRow{"constant_kilowatt_for_an_hour", constant_hour(), 1000.0, 0.0, 0.0},
        EnergyRow{"five_minutes_bridged", {{kMidnightUtc, 600, 0, 0}, {kMidnightUtc + 300, 600, 0, 0}}, 50.0, 0.0, 0.0},
        EnergyRow{
            "six_minute_gap_not_bridged", {{kMidnightUtc, 600, 0, 0}, {kMidnightUtc + 360, 600, 0, 0}}, 0.0, 0.0, 0.0},
        // +360 W to -360 W over 20 s: the crossing at 10 s splits two triangles.
        EnergyRow{
            "sign_change_interpolated", {{kMidnightUtc, 0, 0, 360}, {kMidnightUtc + 20, 0, 0, -360}}, 0.0, 0.5, 0.5},
        // 0 to -720 W over 10 s, then back up to +360 W over 30 s, crossing at 20 s.
        EnergyRow{"export_then_import",
                  {{kMidnightUtc, 0, 0, 0}, {kMidnightUtc + 10, 0, 0, -720}, {kMidnightUtc + 40, 0, 0, 360}},
                  0.0,
                  0.5,
                  3.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Energy, SelfConsumption) {
    Energy e;
    e.produced_wh = 10.0;
    e.exported_wh = 4.0;
    EXPECT_DOUBLE_EQ(e.self_consumption(), 0.6);
    EXPECT_DOUBLE_EQ(Energy{}.self_consumption(), 0.0);
}

struct DaylightRow {
    const char* name;
    const char* day;
    std::int64_t first;  // UTC seconds of the local midnight that starts the day
    int hours;
};
class DaylightSavingTest : public ::testing::TestWithParam<DaylightRow> {};

// A sample a minute through one local day in Europe/Amsterdam: the day file
// holds every minute of its 23 or 25 hours, with the offset of each.
TEST_P(DaylightSavingTest, LocalDayHasItsHours) {
    ZonedHistory zoned("Europe/Amsterdam");
    History& history = zoned.history;
    const std::int64_t last = GetParam().first + GetParam().hours * 3600;
    for (std::int64_t t = GetParam().first - 60; t <= last; t += 60) history.Add({t, 1000.0, 0.0, 0.0});
    const std::vector<MinuteRecord> minutes =
        LoadDayFile(zoned.files.files.at("/h/" + std::string(GetParam().day) + ".csv"));
    ASSERT_EQ(minutes.size(), static_cast<std::size_t>(GetParam().hours * 60));
    EXPECT_NEAR(DayEnergy(minutes).produced_wh, GetParam().hours * 1000.0, 1.0);  // each line to 0.001 Wh
    const std::vector<std::string> days = history.Days();  // the day before, the day, the day after
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[1], GetParam().day);
    EXPECT_NE(minutes.front().offset_seconds, minutes.back().offset_seconds);
}

INSTANTIATE_TEST_SUITE_P(Rows, DaylightSavingTest,
                         ::testing::Values(DaylightRow{"spring_23_hours", "2026-03-29", 1774738800, 23},
                                           DaylightRow{"autumn_25_hours", "2026-10-25", 1792879200, 25}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DayFile, LinesRoundTripAndACutLineIsSkipped) {
    MinuteRecord m;
    m.start = kMidnightUtc + 14 * 3600 + 3 * 60;
    m.offset_seconds = 3600;
    m.production_w = 1234.56;
    m.consumption_w = 456.7;
    m.grid_w = -777.8;
    m.samples = 60;
    m.energy = {20.576, 7.612, 0.0, 12.963};
    const std::string line = MinuteLine(m);
    EXPECT_EQ(line, "2026-12-08T15:03:00+01:00,1234.6,456.7,-777.8,60,20.576,7.612,0.000,12.963\n");
    const std::string text = std::string(kDayFileHeader) + "\n" + line + line.substr(0, 30);
    const std::vector<MinuteRecord> loaded = LoadDayFile(text);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].start, m.start);
    EXPECT_EQ(loaded[0].offset_seconds, 3600);
    EXPECT_EQ(MinuteLine(loaded[0]), line);
    for (const char* bad : {"", "2026-12-08T15:03:00+01:00,1,2,3", "2026-13-08T15:03:00+01:00,1,2,3,4,5,6,7,8",
                            "2026-12-08T15:03:00+01:00,1,2,x,4,5,6,7,8", "2026-12-08 15:03:00+01:00,1,2,3,4,5,6,7,8"})
        EXPECT_FALSE(ParseMinuteLine(bad)) << bad;
}

TEST(History, MinutesGoOutOnceOverAndSurviveARestart) {
    ZonedHistory zoned("UTC");
    {
        History& history = zoned.history;
        for (std::int64_t t = 0; t < 90; ++t) history.Add({kMidnightUtc + t, 100.0, 50.0, -50.0});
        EXPECT_EQ(zoned.files.files.at("/h/2026-12-08.csv"),
                  std::string(kDayFileHeader) + "\n" +
                      "2026-12-08T00:00:00+00:00,100.0,50.0,-50.0,60,1.667,0.833,0.000,0.833\n");
        EXPECT_EQ(history.Day("2026-12-08").minutes.size(), 2u) << "the minute in progress shows too";
        history.Flush();
    }
    History restarted(zoned.files, zoned.calendar, zoned.clock, "/h");
    restarted.Add({kMidnightUtc + 200, 100.0, 50.0, -50.0});
    EXPECT_EQ(restarted.Day("2026-12-08").minutes.size(), 3u);
    EXPECT_EQ(restarted.Days(), std::vector<std::string>{"2026-12-08"});
}

TEST(SampleRing, WrapsAtTwoHoursAndDropsTimeGoingBack) {
    SampleRing ring;
    for (std::int64_t t = 1; t <= 7201; ++t) ASSERT_TRUE(ring.Add({t, 1, 1, 1}));
    EXPECT_EQ(ring.size(), 7200u);
    EXPECT_EQ(ring.Since(0).front().epoch, 2);
    EXPECT_EQ(ring.Since(7000).size(), 202u);
    EXPECT_FALSE(ring.Add({7201, 1, 1, 1}));
    EXPECT_FALSE(ring.Add({5, 1, 1, 1}));
    EXPECT_EQ(ring.newest()->epoch, 7201);
}

TEST(History, UnwritableFolderKeepsTheReadsGoing) {
    ZonedHistory zoned("UTC");
    zoned.files.fail_append = true;
    History& history = zoned.history;
    for (std::int64_t t = 0; t < 120; ++t) EXPECT_TRUE(history.Add({kMidnightUtc + t, 1, 1, 1}));
    EXPECT_NE(history.Problem().find("Nothing is being kept: /h cannot be written"), std::string::npos);
    EXPECT_EQ(history.ring().size(), 120u);
    EXPECT_EQ(history.Day("2026-12-08").minutes.size(), 2u);
}

TEST(History, FailedAndUntimedReadsAddNothing) {
    ZonedHistory zoned("UTC");
    History& history = zoned.history;
    FinishedRead failed;
    failed.request_failed = true;
    failed.epoch = kMidnightUtc;
    history.OnFinishedRead(failed);
    history.OnFinishedRead(FinishedRead{});
    EXPECT_EQ(history.ring().size(), 0u);
    FinishedRead good;
    good.epoch = kMidnightUtc;
    good.grid_w = -5;
    history.OnFinishedRead(good);
    ASSERT_EQ(history.ring().size(), 1u);
    EXPECT_EQ(history.ring().newest()->grid_w, -5);
}

// What is not a measurement never becomes a sample, a line or a figure.
TEST(History, ImplausibleFiguresAreNeverKept) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FixedText(std::nan(""), 1), "");
    EXPECT_EQ(FixedText(-0.0001, 3), "0.000") << "no negative zero";
    EXPECT_EQ(FixedText(-0.04, 1), "0.0");
    EXPECT_EQ(FixedText(inf, 3), "");
    const std::string huge = FixedText(1e308, 3);  // every digit, no stray byte
    ASSERT_EQ(huge.size(), 309u + 4u);
    EXPECT_EQ(huge.find_first_not_of("0123456789."), std::string::npos);
    EXPECT_DOUBLE_EQ(std::stod(huge), 1e308);

    ZonedHistory zoned("UTC");
    for (const double w : {1e70, -1e70, std::nan(""), inf, -inf, 10.1e6})
        EXPECT_FALSE(zoned.history.Add({kMidnightUtc, w, 0, 0})) << w;
    EXPECT_TRUE(zoned.history.Add({kMidnightUtc, 10e6, 0, -10e6}));
    EXPECT_EQ(zoned.history.ring().size(), 1u);

    for (const char* bad :
         {"2026-12-08T15:03:00+01:00,inf,2,3,4,5,6,7,8", "2026-12-08T15:03:00+01:00,nan,2,3,4,5,6,7,8",
          "2026-12-08T15:03:00+01:00,1,2,3,4,1e308,6,7,8", "2026-12-08T15:03:00+01:00,1,2,3,4.5,5,6,7,8"})
        EXPECT_FALSE(ParseMinuteLine(bad)) << bad;
}

// Reads whose power is not finite or beyond 10 MW reach neither the history
// nor the broker, and the log hears of it once.
TEST(PlausibleReads, PassOnlyMeasurements) {
    struct Counting : FinishedReadSink {
        void OnFinishedRead(const FinishedRead&) override { ++count; }
        int count = 0;
    } history, publisher;
    std::ostringstream log;
    PlausibleReads measured({&history, &publisher}, log);
    FinishedRead read;
    read.epoch = kMidnightUtc;
    read.production_w = 1e70;
    measured.OnFinishedRead(read);
    read.production_w = 500;
    read.phases[2].grid_w = std::nan("");
    measured.OnFinishedRead(read);
    EXPECT_EQ(history.count + publisher.count, 0);
    read.phases[2].grid_w = -1e6;
    measured.OnFinishedRead(read);
    FinishedRead failed;
    failed.request_failed = true;
    measured.OnFinishedRead(failed);
    EXPECT_EQ(history.count, 2);
    EXPECT_EQ(publisher.count, 2);
    const std::string told = log.str();
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
}

// A gateway clock that jumps a year ahead for one read leaves no trace.
TEST(History, OneReadFarAheadIsDroppedAndRecordingGoesOn) {
    ZonedHistory zoned("UTC");
    zoned.clock.set(kMidnightUtc + 100);
    History& history = zoned.history;
    EXPECT_TRUE(history.Add({kMidnightUtc, 1, 1, 1}));
    EXPECT_FALSE(history.Add({kMidnightUtc + 365 * 86400, 1, 1, 1}));
    EXPECT_TRUE(history.Add({kMidnightUtc + 1, 1, 1, 1}));
    EXPECT_TRUE(history.Add({kMidnightUtc + 86400 + 50, 1, 1, 1})) << "up to a day ahead is the gateway's zone";
    EXPECT_EQ(history.ring().newest()->epoch, kMidnightUtc + 86400 + 50);
    EXPECT_EQ(history.Days(), (std::vector<std::string>{"2026-12-08", "2026-12-09"}));
}

struct DayFileRow {
    const char* name;
    std::string text;
    std::size_t minutes;
    const char* problem;  // a part of it, "" for none
};
class LoadedDayTest : public ::testing::TestWithParam<DayFileRow> {};

// Another day's file as the window is given it: only the minutes of its own
// date, counts that cannot overflow, and a reason where nothing shows.
TEST_P(LoadedDayTest, OwnMinutesOrAReason) {
    ZonedHistory zoned("UTC");
    zoned.files.files["/h/2026-12-07.csv"] = GetParam().text;
    const LoadedDay day = zoned.history.Day("2026-12-07");
    EXPECT_EQ(day.minutes.size(), GetParam().minutes);
    if (*GetParam().problem == '\0') {
        EXPECT_EQ(day.problem, "");
    } else {
        EXPECT_NE(day.problem.find(GetParam().problem), std::string::npos) << day.problem;
    }
}

std::string header_and(std::initializer_list<const char*> lines) {
    std::string text = std::string(kDayFileHeader) + "\n";
    for (const char* line : lines) text += std::string(line) + "\n";
    return text;
}

std::string larger_than_a_day() {
    std::string text = header_and({});
    while (text.size() <= kLargestDayFile) text += "2026-12-07T10:00:00+00:00,1,1,1,1,1,1,1,1\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(Rows, LoadedDayTest,
                         ::testing::Values(DayFileRow{"own_minutes_only",
                                                      header_and({"2026-12-07T10:00:00+00:00,1,1,1,1,1,1,1,1",
                                                                  "2026-12-09T10:00:00+00:00,1,1,1,1,1,1,1,1",
                                                                  "2026-12-08T00:30:00+01:00,1,1,1,1,1,1,1,1"}),
                                                      1, ""},
                                           DayFileRow{"header_only", header_and({}), 0, ""},
                                           DayFileRow{"garbage",
                                                      "\x7f"
                                                      "ELF\x02\x01\nrandom bytes\n",
                                                      0, "is not a day file"},
                                           DayFileRow{"larger_than_a_day", larger_than_a_day(), 0,
                                                      "larger than any day's file (4 MB)"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DayFile, MergedCountsDoNotOverflow) {
    const std::vector<MinuteRecord> merged =
        LoadDayFile(header_and({"2026-12-07T10:00:00+00:00,300,0,0,1000000000,5,0,0,0",
                                "2026-12-07T10:00:00+00:00,300,0,0,1000000000,5,0,0,0",
                                "2026-12-07T10:00:00+00:00,900,0,0,0,1,0,0,0"}),
                    "2026-12-07");
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_DOUBLE_EQ(merged[0].production_w, 300.0);
    EXPECT_EQ(merged[0].samples, 1000000000) << "a line's largest count, so that the merged line reads back";
    EXPECT_DOUBLE_EQ(merged[0].energy.produced_wh, 11.0);
}

TEST(History, OnlyFilesNamedAsDatesAreDays) {
    ZonedHistory zoned("UTC");
    for (const char* name : {"2026-12-07", "2026-02-30", "notes-2026", "2026-13-01", "2026_12_06"})
        zoned.files.files["/h/" + std::string(name) + ".csv"] = header_and({});
    EXPECT_EQ(zoned.history.Days(), std::vector<std::string>{"2026-12-07"});
}

// A disk that fills up in the middle of an append: the cut line is cut back
// before the next append, so no later minute is glued to it.
TEST(History, AnAppendCutShortIsCutBack) {
    ZonedHistory zoned("UTC");
    History& history = zoned.history;
    for (std::int64_t t = 0; t < 61; ++t) history.Add({kMidnightUtc + t, 60, 0, 0});
    zoned.files.append_room = 20;
    for (std::int64_t t = 61; t < 121; ++t) history.Add({kMidnightUtc + t, 60, 0, 0});
    EXPECT_NE(history.Problem(), "");
    zoned.files.append_room = SIZE_MAX;
    zoned.files.fail_replace = true;  // no room for a copy of the file: it is cut in place
    for (std::int64_t t = 121; t < 181; ++t) history.Add({kMidnightUtc + t, 60, 0, 0});
    EXPECT_EQ(history.Problem(), "");
    const std::string& text = zoned.files.files.at("/h/2026-12-08.csv");
    std::size_t unread = 0;
    const std::vector<MinuteRecord> minutes = LoadDayFile(text, "2026-12-08", &unread);
    EXPECT_EQ(unread, 0u) << text;
    ASSERT_EQ(minutes.size(), 2u) << text;
    EXPECT_EQ(minutes[1].start, kMidnightUtc + 120);
}

// Two samples 150 s apart at 1,200 W: the minute between them has a line of
// its own, and each line holds its own minute's energy.
TEST(History, AMinuteBetweenDistantSamplesHasItsOwnLine) {
    ZonedHistory zoned("UTC");
    History& history = zoned.history;
    history.Add({kMidnightUtc + 30, 1200, 0, 0});
    history.Add({kMidnightUtc + 180, 1200, 0, 0});
    history.Flush();
    const std::vector<MinuteRecord> minutes = history.Day("2026-12-08").minutes;
    ASSERT_EQ(minutes.size(), 4u);
    const double wh[] = {10.0, 20.0, 20.0, 0.0};  // 30 s, 60 s, 60 s, nothing after the last sample
    const std::int64_t samples[] = {1, 0, 0, 1};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(minutes[i].start, kMidnightUtc + 60 * static_cast<std::int64_t>(i));
        EXPECT_NEAR(minutes[i].energy.produced_wh, wh[i], 1e-9) << i;
        EXPECT_EQ(minutes[i].samples, samples[i]) << i;
    }
    EXPECT_EQ(MinuteLine(minutes[1]), "2026-12-08T00:01:00+00:00,1200.0,0.0,0.0,0,20.000,0.000,0.000,0.000\n");
    EXPECT_EQ(LoadDayFile(zoned.files.files.at("/h/2026-12-08.csv")).size(), 4u);
}

struct OffsetRow {
    const char* name;
    const char* zone;
    const char* line_time;
};
class SecondsOffsetTest : public ::testing::TestWithParam<OffsetRow> {};

// A zone whose offset has seconds: the line stays at a whole local minute
// of its day and reads back to the minute it was written for.
TEST_P(SecondsOffsetTest, LinesReloadExactly) {
    ZonedHistory zoned(GetParam().zone);
    const std::int64_t ten = kMidnightUtc + 10 * 3600;
    for (std::int64_t t = 0; t <= 60; ++t) zoned.history.Add({ten + t, 100, 0, 0});
    const std::string& text = zoned.files.files.begin()->second;
    EXPECT_NE(text.find(GetParam().line_time), std::string::npos) << text;
    const std::vector<MinuteRecord> loaded = LoadDayFile(text, "2026-12-08");
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].start, ten);
}

INSTANTIATE_TEST_SUITE_P(Rows, SecondsOffsetTest,
                         ::testing::Values(OffsetRow{"east", "XXX-0:19:32", "\n2026-12-08T10:19:00+00:19,"},
                                           OffsetRow{"west", "XXX+0:19:32", "\n2026-12-08T09:40:00-00:20,"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A battery site: its power is kept per minute in columns after the old
// ones, and its charging and discharging are integrated apart.
TEST(History, ABatteryGetsItsColumnsAndItsEnergy) {
    ZonedHistory zoned("UTC");
    History& history = zoned.history;
    for (std::int64_t t = 0; t <= 120; ++t) history.Add({kMidnightUtc + t, 0, 600, 0, -600.0});
    for (std::int64_t t = 121; t <= 180; ++t) history.Add({kMidnightUtc + t, 0, 600, 0, 1200.0});
    history.Flush();
    const std::string& text = zoned.files.files.at("/h/2026-12-08.csv");
    EXPECT_TRUE(text.starts_with(std::string(kDayFileHeader) + ",battery_w,charged_wh,discharged_wh\n")) << text;
    EXPECT_NE(text.find("\n2026-12-08T00:00:00+00:00,0.0,600.0,0.0,60,0.000,10.000,0.000,0.000,-600.0,10.000,0.000\n"),
              std::string::npos)
        << text;
    const Energy day = DayEnergy(LoadDayFile(text, "2026-12-08"));
    EXPECT_TRUE(day.battery);
    // -600 W for 120 s, then the step to +1200 W over one second (crossing at 1/3 s), then 59 s at +1200 W.
    EXPECT_NEAR(day.charged_wh, 20.0 + 600.0 / 3.0 / 2.0 / 3600.0, 1e-3);
    EXPECT_NEAR(day.discharged_wh, 1200.0 * 59.0 / 3600.0 + 1200.0 * 2.0 / 3.0 / 2.0 / 3600.0, 1e-3);
    EXPECT_FALSE(DayEnergy(LoadDayFile(header_and({"2026-12-08T00:00:00+00:00,1,1,1,1,1,1,1,1"}))).battery)
        << "an old line has no battery";
}

// With a tariff in force, the day's and the month's headings, the month's
// tips and its CSV add the money; two days importing 600 W for 10 minutes
// (0.1 kWh) at 0.27 EUR make 0.03 EUR a day, but 0.05 EUR together.
TEST(History, MoneyAtTheTariffInForce) {
    ZonedHistory zoned("UTC");
    History& history = zoned.history;
    for (const std::int64_t day : {0, 1}) {
        for (std::int64_t t = 0; t <= 600; ++t) history.Add({kMidnightUtc + day * 86400 + 3600 + t, 0, 600, 600});
    }
    history.Flush();
    EXPECT_FALSE(DayView(history, "2026-12-08").money) << "no tariff, no money";
    Tariff tariff;
    tariff.currency = "EUR";
    tariff.buy = 0.27;
    history.set_tariff([&] { return std::optional(tariff); });
    const RangeView day = DayView(history, "2026-12-08");
    ASSERT_TRUE(day.money);
    EXPECT_NEAR(day.money->bought, 0.027, 1e-6);
    EXPECT_NE(
        day.totals.find("Self-sufficiency 0.0 %   Bought 0.03 EUR   Sold 0.00 EUR   Net 0.03 EUR   Savings 0.00 EUR"),
        std::string::npos)
        << day.totals;
    const std::optional<TodayTexts> today = TodayTextsOf(history.Day("2026-12-08").minutes, tariff);
    ASSERT_TRUE(today);
    EXPECT_EQ(today->grid, "Today since 01:00: 0.1 kWh imported, 0.0 kWh exported, net cost 0.03 EUR");
    EXPECT_EQ(today->produced, "Today since 01:00: 0.0 kWh produced, 0.00 EUR saved");
    const RangeView month = MonthView(history, "2026-12");
    EXPECT_TRUE(month.totals.ends_with("Bought 0.05 EUR   Sold 0.00 EUR   Net 0.05 EUR   Savings 0.00 EUR"))
        << month.totals << ": rounded once for the month, not per day";
    EXPECT_NE(DayTip(month.month.at(0), month.currency).find("Bought 0.03 EUR"), std::string::npos);
    // The year: a bar for each month with days, the money rounded once.
    const RangeView year = MonthView(history, "2026");
    ASSERT_EQ(year.month.size(), 1u);
    EXPECT_EQ(year.month[0].slot, 12);
    EXPECT_TRUE(year.totals.starts_with("2026:   Produced 0.0 kWh")) << year.totals;
    EXPECT_TRUE(year.totals.ends_with("Net 0.05 EUR   Savings 0.00 EUR")) << year.totals;
    EXPECT_TRUE(DayTip(year.month[0], year.currency).starts_with("December 2026\n"));
    EXPECT_TRUE(RangeCsv(history, "2026", year, {}).starts_with("month,produced_kwh,"));
    EXPECT_NE(RangeCsv(history, "2026", year, {}).find("\n2026-12,0.000,0.200,0.200,"), std::string::npos);
    const std::string csv = RangeCsv(history, "2026-12", month, {});
    EXPECT_NE(csv.find(",since,self_sufficiency_pct,bought_eur,sold_eur,net_eur,savings_eur\n"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find("\n2026-12-09,0.000,0.100,0.100,0.000,0.000,0.000,01:00,0.0,0.03,0.00,0.03,0.00\n"),
              std::string::npos)
        << csv;
}

// The batteries' charge goes last on the line, the minute's latest one;
// older lines without it still load, and a charge past 0 to 100 % is no line.
TEST(History, TheChargeIsTheLastColumn) {
    ZonedHistory zoned("UTC");
    History& history = zoned.history;
    for (std::int64_t t = 0; t <= 60; ++t) {
        Sample s{kMidnightUtc + t, 0, 600, 0, -600.0};
        if (t >= 10) s.charge = t < 50 ? 46.0 : 47.0;
        if (t == 55) s.charge = 140.0;  // not a charge
        history.Add(s);
    }
    const std::string& text = zoned.files.files.at("/h/2026-12-08.csv");
    EXPECT_TRUE(text.starts_with(std::string(kDayFileHeader) + std::string(kBatteryColumns) + ",charge_pct\n")) << text;
    EXPECT_NE(text.find(",-600.0,10.000,0.000,47\n"), std::string::npos) << text;
    const std::vector<MinuteRecord> loaded = LoadDayFile(text, "2026-12-08");
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].charge, 47.0);
    EXPECT_EQ(DayView(history, "2026-12-08").points.at(0).charge, 47.0);
    const std::string old = "2026-12-08T00:01:00+00:00,1,1,1,1,1,1,1,1";
    EXPECT_FALSE(ParseMinuteLine(old)->charge);
    EXPECT_EQ(ParseMinuteLine(old + ",,,,,,0,100")->charge, 100.0) << "after the counters";
    for (const char* charge : {",101", ",-1", ",x"}) EXPECT_FALSE(ParseMinuteLine(old + charge)) << charge;
}

}  // namespace
}  // namespace pelmora

namespace pelmora {
namespace {

// The chart's time window for a day is its local midnight to the next, a
// day the clocks change on included.
TEST(ChartModelDaylight, DaysOfTheClockChanges) {
    for (const auto& [day, hours] : std::vector<std::pair<std::string, std::int64_t>>{
             {"2026-03-29", 23}, {"2026-10-25", 25}, {"2026-12-08", 24}}) {
        ZonedHistory zoned("Europe/Berlin");
        zoned.files.files["/h/" + day + ".csv"] = "";
        MemorySettingsStore settings;
        ChartModel model(zoned.history, settings, zoned.calendar);
        ASSERT_TRUE(model.Show(day, kMidnightUtc)) << day;
        EXPECT_EQ(model.to() - model.from(), hours * 3600) << day;
        EXPECT_EQ(zoned.calendar.ToLocal(model.from()).civil.hour, 0) << day;
    }
}

// A month has its own length; a range without a file is not shown.
TEST(ChartModel, MonthsHaveTheirLengths) {
    ZonedHistory zoned("UTC");
    for (const char* day : {"2028-02-10", "2026-02-10", "2026-12-31"})
        zoned.files.files[std::string("/h/") + day + ".csv"] = "";
    MemorySettingsStore settings;
    ChartModel model(zoned.history, settings, zoned.calendar);
    for (const auto& [month, days] :
         std::vector<std::pair<std::string, int>>{{"2028-02", 29}, {"2026-02", 28}, {"2026-12", 31}}) {
        ASSERT_TRUE(model.Show(month, kMidnightUtc)) << month;
        EXPECT_EQ(model.days_in_month(), days) << month;
    }
    EXPECT_FALSE(model.Show("2026-11", kMidnightUtc)) << "no file that month";
    EXPECT_EQ(model.range(), "2026-12");
}

// The grid's areas meet zero where it crosses between two samples.
TEST(ChartModel, GridAreasCrossZeroBetweenSamples) {
    std::vector<ChartPoint> part(2);
    part[0].epoch = 100;
    part[0].grid_w = 300.0;
    part[1].epoch = 200;
    part[1].grid_w = -100.0;
    const GridAreas areas = GridAreasOf(part);
    EXPECT_EQ(areas.import_top, (std::vector<AreaPoint>{{100.0, 300.0}, {175.0, 0.0}, {200.0, 0.0}}));
    EXPECT_EQ(areas.export_bottom, (std::vector<AreaPoint>{{100.0, 0.0}, {175.0, 0.0}, {200.0, -100.0}}));
}

// The kept place fits the screen's free area; a place half kept is none.
TEST(ChartModel, TheKeptPlaceFitsTheScreen) {
    MemorySettingsStore settings;
    const auto keep = [&](const char* key, const char* value) {
        settings.SaveSetting(kSettingsApp, kHistorySection, key, value);
    };
    HistoryPlace place = KeptHistoryPlace(settings, 1920, 1040, 1920, 1040);
    EXPECT_EQ(place.width, 900);
    EXPECT_FALSE(place.left);
    keep("Width", "99999");
    keep("Height", "10");
    keep("Left", "5000");
    place = KeptHistoryPlace(settings, 1920, 1040, 1920, 1040);
    EXPECT_EQ(place.width, 1920);
    EXPECT_EQ(place.height, 240);
    EXPECT_FALSE(place.left) << "no Top kept";
    keep("Top", "5000");
    place = KeptHistoryPlace(settings, 1920, 1040, 1919, 1039);
    EXPECT_EQ(place.left, 0);
    EXPECT_EQ(place.top, 1039 - 240);
}

}  // namespace
}  // namespace pelmora
