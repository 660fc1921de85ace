// The history without a window: energy by the trapezoid rule with gaps and
// sign changes, local days across daylight-saving changes, the day files,
// the ring, and a folder that cannot be written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "history/energy.h"
#include "history/history.h"
#include "platform/memory_file_system.h"

namespace pelmora {
namespace {

// Runs the test in a named zone.
class InZone {
public:
    explicit InZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~InZone() {
        ::unsetenv("TZ");
        ::tzset();
    }
};

// A history in a named zone, its day files in memory under "/h".
struct ZonedHistory {
    explicit ZonedHistory(const char* zone_name) : zone(zone_name) {}
    InZone zone;
    MemoryFileSystem files;
    SystemCalendar calendar;
    History history{files, calendar, "/h"};
};

constexpr std::int64_t kMidnightUtc = 1796688000;  // 2026-12-08T00:00:00Z

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
    const Energy e = DayEnergy(history.Day("2026-12-08"));
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
        EXPECT_EQ(history.Day("2026-12-08").size(), 2u) << "the minute in progress shows too";
        history.Flush();
    }
    History restarted(zoned.files, zoned.calendar, "/h");
    restarted.Add({kMidnightUtc + 200, 100.0, 50.0, -50.0});
    EXPECT_EQ(restarted.Day("2026-12-08").size(), 3u);
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
    EXPECT_EQ(history.Day("2026-12-08").size(), 2u);
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

}  // namespace
}  // namespace pelmora
