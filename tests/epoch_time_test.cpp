#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "form/memory_controls_view.h"
#include "records/date_time.h"
#include "records/epoch_time.h"
#include "records/epoch_value.h"
#include "records/error_log.h"
#include "records/utc_text.h"
#include "fakes.h"

namespace pelmora {
namespace {

struct ZoneRow {
    const char* name;
    ZoneState state;
    std::optional<std::int32_t> seconds;
    const char* zone_text;  // nullptr: left unchanged
};

class ZoneOffsetTest : public ::testing::TestWithParam<ZoneRow> {};

TEST_P(ZoneOffsetTest, OffsetAndZoneText) {
    MemoryControlsView view;
    view.set_text("Zone", "unchanged");
    test::FakeTimeZone zone(GetParam().state);
    EXPECT_EQ(GetZoneOffset(zone, view), GetParam().seconds);
    EXPECT_EQ(view.text("Zone"), GetParam().zone_text ? GetParam().zone_text : "unchanged");
}

INSTANTIATE_TEST_SUITE_P(Rows, ZoneOffsetTest,
                         ::testing::Values(ZoneRow{"standard_east", {1, -60}, 3600, "1"},
                                           ZoneRow{"daylight_east", {2, -60}, 7200, "2"},
                                           ZoneRow{"daylight_west", {2, 300}, -14400, "-4"},
                                           ZoneRow{"standard_half_hour", {1, -330}, 19800, "5.5"},
                                           ZoneRow{"standard_utc", {1, 0}, 0, "0"},
                                           ZoneRow{"unknown", {0, -60}, 0, nullptr},
                                           ZoneRow{"failed_call", {0xFFFFFFFF, -60}, std::nullopt, nullptr},
                                           ZoneRow{"other_code", {3, -60}, std::nullopt, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ZoneOffset, BiasBeyondThirtyTwoBitsIsOverflowNotWrap) {
    MemoryControlsView view;
    test::FakeTimeZone huge({1, std::numeric_limits<std::int32_t>::min()});
    EXPECT_THROW(GetZoneOffset(huge, view), Failure);
    test::FakeTimeZone large({2, -40'000'000});
    EXPECT_THROW(GetZoneOffset(large, view), Failure);
}

TEST(EpochValue, TextIsReadExactlyAndOverflowFails) {
    EXPECT_EQ(EpochValue::FromText(" 1700000000").scaled(), 17'000'000'000'000);
    EXPECT_EQ(EpochValue::FromText("-0.00005").scaled(), 0);  // tie to even
    EXPECT_EQ(EpochValue::FromText("0.00015").scaled(), 2);
    EXPECT_EQ(EpochValue::FromText("922337203685477.5807").scaled(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(EpochValue::FromText("-922337203685477.5808").scaled(), std::numeric_limits<std::int64_t>::min());
    EXPECT_THROW(EpochValue::FromText("922337203685477.5808"), Failure);
    EXPECT_THROW(EpochValue::FromText("stamp\": 17"), Failure);
    EXPECT_THROW(EpochValue::FromText(""), Failure);
    EXPECT_THROW(EpochValue::FromScaled(std::numeric_limits<std::int64_t>::max()) + EpochValue::FromScaled(1), Failure);
    EXPECT_EQ(EpochValue::FromText("-1.25").Floor().scaled(), -20'000);
    EXPECT_EQ(EpochValue::FromText("1700000000.123").ToText(), "1700000000.1230");
}

// Saved certificate dates: whatever the width of time_t, any moment of the
// years 1 to 9999 goes to text and back; every other text is refused.
struct UtcRow {
    const char* name;
    std::int64_t epoch;
    const char* text;
};

class UtcTextTest : public ::testing::TestWithParam<UtcRow> {};

TEST_P(UtcTextTest, RoundTrips) {
    EXPECT_EQ(IsoUtc(GetParam().epoch), GetParam().text);
    EXPECT_EQ(ParseIsoUtc(GetParam().text), GetParam().epoch);
}

INSTANTIATE_TEST_SUITE_P(Rows, UtcTextTest,
                         ::testing::Values(UtcRow{"Epoch", 0, "1970-01-01T00:00:00Z"},
                                           UtcRow{"PastThirtyTwoBits", 2147483648, "2038-01-19T03:14:08Z"},
                                           UtcRow{"LeapDay2400", 13574563200, "2400-02-29T00:00:00Z"},
                                           UtcRow{"LastSecond", 253402300799, "9999-12-31T23:59:59Z"},
                                           UtcRow{"FirstSecond", -62135596800, "0001-01-01T00:00:00Z"},
                                           UtcRow{"BeforeEpoch", -1, "1969-12-31T23:59:59Z"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UtcText, OutsideTheYearsOrGarbledIsNothing) {
    EXPECT_EQ(IsoUtc(253402300800), "");
    EXPECT_EQ(IsoUtc(-62135596801), "");
    EXPECT_EQ(UtcDateText(253402300800), "?");
    EXPECT_EQ(UtcDateText(4102444800), "2100-01-01 00:00 UTC");
    for (const char* garbled :
         {"", "2026-02-30T00:00:00Z", "2026-13-01T00:00:00Z", "2026-01-01T24:00:00Z", "+026-01-01T00:00:00Z",
          " 2026-01-01T00:00:00Z", "2026-01-01T00:00:00Zx", "0000-01-01T00:00:00Z", "2026-01-01 00:00:00Z", "1"}) {
        EXPECT_FALSE(ParseIsoUtc(garbled).has_value()) << garbled;
    }
}

TEST(DateTime, ClassicReadingOfNegativeValues) {
    EXPECT_EQ(ToCivil(-1.25), (CivilDateTime{1899, 12, 29, 6, 0, 0}));
    EXPECT_EQ(ToCivil(0.0), (CivilDateTime{1899, 12, 30, 0, 0, 0}));
    EXPECT_EQ(ToCivil(kMinDateTime), (CivilDateTime{100, 1, 1, 0, 0, 0}));
    EXPECT_EQ(ToCivil(2958465.0), (CivilDateTime{9999, 12, 31, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(FromCivil({1899, 12, 29, 6, 0, 0}), -1.25);
    EXPECT_FALSE(InDateTimeRange(kMinDateTime - 1e-6));
    EXPECT_FALSE(InDateTimeRange(kMaxDateTimeExclusive));
}

class Epoch2DateTest : public ::testing::Test {
protected:
    test::MemoryFileSystem files;
    test::FixedRegionalFormat format;
    ErrorLog log{files, format};

    std::string log_text() { return files.files[ErrorLog::kFileName]; }
};

struct EpochRow {
    const char* name;
    const char* epoch;
    std::int32_t offset;
    CivilDateTime local;
    std::int64_t fraction_scaled;
};

class Epoch2DateRowsTest : public Epoch2DateTest, public ::testing::WithParamInterface<EpochRow> {};

TEST_P(Epoch2DateRowsTest, GivesLocalDateTime) {
    EpochValue fraction = EpochValue::FromInteger(99);
    const DateTime result = Epoch2Date(EpochValue::FromText(GetParam().epoch), GetParam().offset, log, &fraction);
    EXPECT_EQ(ToCivil(result), GetParam().local);
    EXPECT_EQ(fraction.scaled(), GetParam().fraction_scaled);
    EXPECT_EQ(log_text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Epoch2DateRowsTest,
    ::testing::Values(EpochRow{"epoch_zero", "0", 0, {1970, 1, 1, 0, 0, 0}, 0},
                      EpochRow{"with_offset", "1700000000", 3600, {2023, 11, 14, 23, 13, 20}, 0},
                      EpochRow{"threshold_is_seconds", "10000000000", 0, {2286, 11, 20, 17, 46, 40}, 0},
                      EpochRow{"above_threshold_is_milliseconds", "10000000000.0001", 0, {1970, 4, 26, 17, 46, 40}, 0},
                      EpochRow{"milliseconds_with_fraction", "1700000000123", 3600, {2023, 11, 14, 23, 13, 20}, 1230},
                      // The fraction is split off before the seconds count, so .623 does not round up.
                      EpochRow{"milliseconds_past_half", "1700000000623", 0, {2023, 11, 14, 22, 13, 20}, 6230},
                      EpochRow{"seconds_keep_their_fraction", "1700000000.75", 0, {2023, 11, 14, 22, 13, 21}, 0},
                      EpochRow{"lowest_date", "-59011459200", 0, {100, 1, 1, 0, 0, 0}, 0},
                      EpochRow{"negative_offset", "0", -14400, {1969, 12, 31, 20, 0, 0}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Epoch2DateTest, EpochZeroIsTheUnixEpochDate) {
    EXPECT_DOUBLE_EQ(Epoch2Date(EpochValue::FromInteger(0), 0, log), 25569.0);
}

TEST_F(Epoch2DateTest, RangeFailureLogsOneRecordAndGivesZero) {
    const DateTime result = Epoch2Date(EpochValue::FromText("-59011459201"), 0, log);
    EXPECT_EQ(result, 0.0);
    EXPECT_EQ(log_text(), " Time: 10:11:12 Error #  6,  Overflow\r\n In  .Epoch2Date at line - 2975\r\n");
}

TEST_F(Epoch2DateTest, OffsetPushingBelowRangeFails) {
    EXPECT_EQ(Epoch2Date(EpochValue::FromText("-59011459200"), -1, log), 0.0);
    EXPECT_NE(log_text().find("at line - 2975"), std::string::npos);
}

TEST_F(Epoch2DateTest, SecondFailurePassesToCallerAfterOneRecord) {
    // 2955 overflows (logged), then 2975 is out of range: passed on.
    EXPECT_THROW(Epoch2Date(EpochValue::FromScaled(std::numeric_limits<std::int64_t>::min()), -1, log), Failure);
    EXPECT_EQ(log_text(), " Time: 10:11:12 Error #  6,  Overflow\r\n In  .Epoch2Date at line - 2955\r\n");
}

TEST_F(Epoch2DateTest, LogThatCannotBeWrittenPassesToCaller) {
    files.fail_append = true;
    EXPECT_THROW(Epoch2Date(EpochValue::FromText("-59011459201"), 0, log), Failure);
    EXPECT_TRUE(files.files.empty());
}

TEST_F(Epoch2DateTest, RecordsAppendInOrder) {
    Epoch2Date(EpochValue::FromText("-59011459201"), 0, log);
    Epoch2Date(EpochValue::FromText("99999999999999"), 0, log);  // milliseconds, in range: no record
    Epoch2Date(EpochValue::FromText("-99999999999"), 0, log);
    const std::string one = " Time: 10:11:12 Error #  6,  Overflow\r\n In  .Epoch2Date at line - 2975\r\n";
    EXPECT_EQ(log_text(), one + one);
}

TEST(ErrorLogRecord, EmptyMessageEndsWithCommaAndTwoBlanks) {
    EXPECT_EQ(ErrorLog::Record("9:05:01 PM", "13", "", ".Epoch2Date", "2966"),
              " Time: 9:05:01 PM Error #  13,  \r\n In  .Epoch2Date at line - 2966\r\n");
}

}  // namespace
}  // namespace pelmora
