#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "platform/failure.h"
#include "readings/number_text.h"
#include "readings/readings_parser.h"
#include "test_support.h"

namespace pelmora {
namespace {

std::vector<std::int64_t> slots_of(const MeterReadings& readings) {
    std::vector<std::int64_t> slots;
    for (const ReadingItem& item : readings) {
        if (item.Has(Kind::ActivePower)) slots.push_back(item.Slot);
    }
    return slots;
}

std::vector<std::string> epoch_texts(const MeterReadings& readings) {
    std::vector<std::string> texts;
    for (const ReadingItem& item : readings) {
        if (item.Has(Kind::Timestamp)) texts.push_back(item.EpochText);
    }
    return texts;
}

TEST(ScanReadings, GatewayDocumentGivesEightSlotsAndTheMeterTimestamp) {
    const MeterReadings readings = ScanReadings(test::ReadFixture("readings.json"));
    EXPECT_EQ(slots_of(readings), (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    const std::vector<std::string> epochs = epoch_texts(readings);
    ASSERT_EQ(epochs.size(), 8u);
    // The phase entries' timestamps sit deeper and read the same.
    for (const std::string& epoch : epochs) EXPECT_EQ(epoch, " 1700000000");

    int voltages = 0, currents = 0, factors = 0;
    for (const ReadingItem& item : readings) {
        voltages += item.Has(Kind::Voltage);
        currents += item.Has(Kind::Current);
        factors += item.Has(Kind::PowerFactor);
        EXPECT_EQ(item.Kinds.size(), 1u) << item.Text;
    }
    EXPECT_EQ(voltages, 8);
    EXPECT_EQ(currents, 8);
    EXPECT_EQ(factors, 8);
}

TEST(ScanReadings, FirstPowerValueIsTheProductionTotal) {
    const MeterReadings readings = ScanReadings(test::ReadFixture("readings.json"));
    for (const ReadingItem& item : readings) {
        if (item.Has(Kind::ActivePower)) {
            ASSERT_TRUE(item.ValueText.has_value());
            EXPECT_EQ(*item.ValueText, " 3784.988");
            break;
        }
    }
}

struct LayoutRow {
    const char* name;
    const char* fixture;
    const char* epoch;
};
class LayoutTest : public ::testing::TestWithParam<LayoutRow> {};

// Every layout of the same document gives the same epoch seconds and slots.
TEST_P(LayoutTest, SameEpochAndSlots) {
    const MeterReadings readings = ScanReadings(test::ReadFixture(GetParam().fixture));
    const std::vector<std::string> epochs = epoch_texts(readings);
    ASSERT_EQ(epochs.size(), 8u);
    for (const std::string& e : epochs) EXPECT_EQ(e, GetParam().epoch);
    EXPECT_DOUBLE_EQ(RoundHalfEven(epochs[0], 0), 1700000000.0);
    EXPECT_EQ(slots_of(readings).size(), 8u);
}

INSTANTIATE_TEST_SUITE_P(Rows, LayoutTest,
                         ::testing::Values(LayoutRow{"indented_lf", "readings.json", " 1700000000"},
                                           LayoutRow{"indented_crlf", "readings_crlf.json", " 1700000000"},
                                           LayoutRow{"compact", "readings_compact.json", "1700000000"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ScanRow {
    const char* name;
    std::string document;
    std::vector<std::int64_t> slots;
    std::size_t items;
};

class ScanTableTest : public ::testing::TestWithParam<ScanRow> {};

TEST_P(ScanTableTest, SlotsAndItems) {
    const MeterReadings readings = ScanReadings(GetParam().document);
    EXPECT_EQ(slots_of(readings), GetParam().slots);
    EXPECT_EQ(readings.size(), GetParam().items);
}

std::string powers(int n) {
    std::string doc;
    for (int i = 0; i < n; ++i) doc += "\"activePower\": " + std::to_string(i) + ".5,";
    return doc;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ScanTableTest,
    ::testing::Values(ScanRow{"empty", "", {}, 0}, ScanRow{"no_comma_one_item", "\"activePower\": 5", {1}, 1},
                      ScanRow{"no_key", "a,b,,c", {}, 0},
                      ScanRow{"reactive_is_not_counted", "\"reactivePower\": 3,\"activePower\": 4", {1}, 1},
                      ScanRow{"ninth_slot", powers(9), {1, 2, 3, 4, 5, 6, 7, 8, 9}, 9},
                      ScanRow{"bracket_item_lost_shifts_slots",
                              "\"activePower\": 1,\"activePower\": 2 ],\"activePower\": 3,\"activePower\": 4",
                              {1, 2, 3},
                              3},
                      ScanRow{"open_bracket_item_lost", "[\"activePower\": 1,\"activePower\": 2", {1}, 1},
                      ScanRow{"key_is_case_sensitive", "\"ActivePower\": 1,\"TIMESTAMP\": 2", {}, 0},
                      ScanRow{"comma_inside_quotes_still_cuts", "\"activePower\": \"1,5\"", {1}, 1},
                      // A key that ends its item, and the last item of all.
                      ScanRow{"keys_end_their_items", "a,voltage,b,activePower", {1}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScanReadings, ItemWithSeveralKeysKeepsTestOrder) {
    const MeterReadings readings = ScanReadings("current activePower voltage pwrFactor timestamp: 1");
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].Kinds,
              (KindList{Kind::Timestamp, Kind::Voltage, Kind::PowerFactor, Kind::Current, Kind::ActivePower}));
    EXPECT_EQ(readings[0].Slot, 1);
}

TEST(ScanReadings, ReactivePowerStopsLaterTestsButKeepsTimestamp) {
    const MeterReadings readings = ScanReadings("timestamp reactivePower voltage current: 1");
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].Kinds, KindList{Kind::Timestamp});
}

TEST(ScanReadings, ValueTextWithLeadingBlankAndItsValue) {
    const MeterReadings readings = ScanReadings("\n        \"activePower\": -3.217");
    ASSERT_EQ(readings.size(), 1u);
    ASSERT_TRUE(readings[0].ValueText.has_value());
    EXPECT_EQ(*readings[0].ValueText, " -3.217");
    EXPECT_DOUBLE_EQ(RoundHalfEven(*readings[0].ValueText, 3), -3.217);
}

TEST(ScanReadings, ValueTextAbsentDiffersFromEmpty) {
    const MeterReadings absent = ScanReadings("activePower 5");
    ASSERT_EQ(absent.size(), 1u);
    EXPECT_FALSE(absent[0].ValueText.has_value());

    const MeterReadings empty = ScanReadings("activePower:");
    ASSERT_EQ(empty.size(), 1u);
    ASSERT_TRUE(empty[0].ValueText.has_value());
    EXPECT_EQ(*empty[0].ValueText, "");

    const MeterReadings second = ScanReadings("activePower: 5: 6");
    EXPECT_EQ(*second[0].ValueText, " 5");
}

TEST(ScanReadings, EpochTextIsTheValuePiece) {
    EXPECT_EQ(ScanReadings("\n  \"timestamp\": 1700000000")[0].EpochText, " 1700000000");
    EXPECT_EQ(ScanReadings("\n        \"timestamp\": 1700000000123")[0].EpochText, " 1700000000123");
    EXPECT_EQ(ScanReadings("\"timestamp\": 5: 6")[0].EpochText, " 5");
    EXPECT_EQ(ScanReadings("\n        \"timestamp\"")[0].EpochText, "");
}

TEST(ScanReadings, AnyBytesScanWithoutHarm) {
    std::mt19937 random(42);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    noise += "\"activePower\": 1";
    EXPECT_FALSE(ScanReadings(noise).empty());

    std::string nul_item = std::string("\0\0activePower\0: 3", 18);
    EXPECT_EQ(slots_of(ScanReadings(nul_item)), std::vector<std::int64_t>{1});

    std::string big_item(1 << 20, 'x');
    big_item += "activePower: 7";
    EXPECT_EQ(*ScanReadings(big_item)[0].ValueText, " 7");
}

TEST(ScanReadings, TenMegabytesOfCommasScanQuickly) {
    const std::string commas(10 << 20, ',');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ScanReadings(commas).empty());
    // A generous bound only to catch quadratic behaviour, not a benchmark.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    std::string many;
    for (int i = 0; i < 200000; ++i) many += "activePower:1,";
    EXPECT_EQ(ScanReadings(many).back().Slot, 200000);
}

}  // namespace
}  // namespace pelmora
