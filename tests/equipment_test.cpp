// The gateway's documents beside the readings, read from real captures:
// every expected figure was worked out by hand from the JSON.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "site/document_kind.h"
#include "site/equipment_text.h"
#include "site/site_equipment.h"
#include "test_support.h"

namespace pelmora {
namespace {

// When the captures were taken, or near enough: no report lies ahead of it.
constexpr std::int64_t kNow = 1'800'000'000;

struct SiteRow {
    const char* name;
    std::vector<const char*> documents;  // in tests/fixtures/site
    std::string text;                    // the inspector's lines for them
};

// The inspector's line for a gateway of that serial, part number and firmware.
std::string gateway_line(const std::string& serial, const std::string& part_number, const std::string& firmware) {
    return "Gateway: serial " + serial + ", part " + part_number + ", firmware " + firmware + "\n";
}
class EquipmentSiteTest : public ::testing::TestWithParam<SiteRow> {};

TEST_P(EquipmentSiteTest, EachCaptureGivesTheSiteWorkedOutByHand) {
    SiteEquipment equipment;
    AbsurdNotes absurd;
    for (const char* name : GetParam().documents) {
        const std::string text = test::ReadFixture(std::string("site/") + name);
        ASSERT_TRUE(TakeDocument(equipment, KindOfDocument(text), text, kNow, absurd)) << name;
    }
    EXPECT_EQ(EquipmentText(equipment), GetParam().text);
    EXPECT_TRUE(absurd.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Captures, EquipmentSiteTest,
    ::testing::Values(
        // Five units of 5,000 Wh; the gateway's 46 % with 11,600 of 25,000 Wh.
        SiteRow{"five_batteries",
                {"fw-8.2.4286-battery-ensemble-inventory.json", "fw-8.2.4286-battery-ensemble-secctrl.json",
                 "fw-8.2.4286-battery-ensemble-power.json", "fw-8.2.4286-battery-inverters.json",
                 "fw-8.2.4286-battery-info.xml", "fw-8.2.4286-battery-tariff.json"},
                "Battery: 46 % (11.6 of 25.0 kWh), reserve 20 %, self-consumption\n"
                "Battery unit 492320000140: 39 %, 5.0 kWh, 18 \u00b0C\n"
                "Battery unit 492320000148: 48 %, 5.0 kWh, 19 \u00b0C\n"
                "Battery unit 492320000149: 48 %, 5.0 kWh, 19 \u00b0C\n"
                "Battery unit 492320000158: 49 %, 5.0 kWh, 19 \u00b0C\n"
                "Battery unit 492335008361: 48 %, 5.0 kWh, 23 \u00b0C\n"
                "Grid: connected\n"
                "Inverters: 35, 35 reporting, 7,010 W\n" +
                    gateway_line("123456789012", "800-00664-r05", "D8.2.4286")},
        // 1,890 Wh in the newer battery and 930 Wh in the older ones; three
        // inverters last reported 44 minutes before the newest.
        SiteRow{"older_ac_batteries",
                {"fw-8.2.4382-acb-production.json", "fw-8.2.4382-acb-ensemble-secctrl.json",
                 "fw-8.2.4382-acb-ensemble-inventory.json", "fw-8.2.4382-acb-ensemble-power.json",
                 "fw-8.2.4382-acb-inverters.json", "fw-8.2.4382-acb-info.xml", "fw-8.2.4382-acb-tariff.json"},
                "Battery: 39 % (2.8 of 7.2 kWh), reserve 0 %, self-consumption\n"
                "Battery unit 122311091641: 10 %, 3.5 kWh, 11 \u00b0C\n"
                "Older batteries: 3, 25 %, 0.9 kWh, discharging 260 W\n"
                "Inverters: 20, 17 reporting, 183 W\n" +
                    gateway_line("123456789012", "800-00654-r06", "D8.2.4382")},
        SiteRow{"no_battery_with_grid_switch",
                {"fw-8.3.5169-no-battery-ensemble-inventory.json", "fw-8.3.5169-no-battery-ensemble-secctrl.json",
                 "fw-8.3.5169-no-battery-inverters.json", "fw-8.3.5169-no-battery-info.xml",
                 "fw-8.3.5169-no-battery-tariff.json"},
                "Grid: connected\n"
                "Inverters: 20, 20 reporting, 2,641 W\n" +
                    gateway_line("202439990001", "800-00647-r11", "D8.3.5169")},
        SiteRow{"no_battery_reserve_set",
                {"fw-8.2.4345-ensemble-inventory.json", "fw-8.2.4345-ensemble-secctrl.json",
                 "fw-8.2.4345-inverters.json", "fw-8.2.4345-tariff.json"},
                "Grid: connected\nInverters: 15, 15 reporting, 2,594 W\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentKind, EachCaptureIsKnownByItsContent) {
    const std::vector<std::pair<const char*, DocumentKind>> rows = {
        {"fw-8.2.4286-battery.json", DocumentKind::Readings},
        {"fw-8.3.1598-eight-meters-meters.json", DocumentKind::MeterList},
        {"fw-8.2.4345-info.xml", DocumentKind::Info},
        {"fw-8.3.5169-no-battery-ensemble-inventory.json", DocumentKind::Inventory},
        {"fw-8.2.4382-acb-ensemble-secctrl.json", DocumentKind::Aggregate},
        {"fw-8.2.4382-acb-ensemble-power.json", DocumentKind::Power},
        {"fw-8.2.4345-inverters.json", DocumentKind::Inverters},
        {"fw-8.2.4382-acb-production.json", DocumentKind::Production},
        {"fw-8.2.4382-acb-tariff.json", DocumentKind::Tariff},
    };
    for (const auto& [name, kind] : rows)
        EXPECT_EQ(KindOfDocument(test::ReadFixture(std::string("site/") + name)), kind) << name;
    for (const char* other : {"", "[]", "<html><body>Not found</body></html>", "{\"a\":1}", "nonsense"})
        EXPECT_EQ(KindOfDocument(other), DocumentKind::Unknown) << other;
}

struct AbsurdRow {
    const char* name;
    DocumentKind kind;
    const char* text;
    const char* shown;  // what the equipment text keeps
    std::size_t notes;
};
class AbsurdFigureTest : public ::testing::TestWithParam<AbsurdRow> {};

TEST_P(AbsurdFigureTest, IsLeftOutAndNamed) {
    SiteEquipment equipment;
    AbsurdNotes absurd;
    TakeDocument(equipment, GetParam().kind, GetParam().text, kNow, absurd);
    EXPECT_EQ(EquipmentText(equipment), GetParam().shown);
    EXPECT_EQ(absurd.size(), GetParam().notes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AbsurdFigureTest,
    ::testing::Values(
        AbsurdRow{"charge_above_100", DocumentKind::Aggregate, R"({"agg_soc":140,"Max_energy":5000})",
                  "Battery: charge unknown (5.0 kWh)\n", 1},
        AbsurdRow{"capacity_of_a_gigawatt_hour", DocumentKind::Aggregate,
                  R"({"agg_soc":40,"Max_energy":1e12,"ENC_agg_avail_energy":2000})", "", 1},
        AbsurdRow{"negative_unit_capacity", DocumentKind::Inventory,
                  R"([{"type":"ENCHARGE","devices":[{"serial_num":"7","percentFull":50,"encharge_capacity":-5,
                       "communicating":true}]}])",
                  "Battery: charge unknown\nBattery unit 7: 50 %\n", 1},
        AbsurdRow{"a_gigawatt_inverter", DocumentKind::Inverters,
                  R"([{"serialNumber":"1","lastReportDate":1700000000,"lastReportWatts":1e9,"maxReportWatts":300},
                      {"serialNumber":"2","lastReportDate":1700000000,"lastReportWatts":250,"maxReportWatts":300}])",
                  "Inverters: 1, 1 reporting, 250 W\n", 1},
        AbsurdRow{"a_report_years_ahead", DocumentKind::Inverters,
                  R"([{"serialNumber":"1","lastReportDate":2900000000,"lastReportWatts":100,"maxReportWatts":300}])",
                  "Inverters: 0, 0 reporting, 0 W\n", 1},
        AbsurdRow{"a_rate_of_1e300_reserve", DocumentKind::Tariff,
                  R"({"tariff":{"storage_settings":{"mode":"backup","reserved_soc":1e300}}})", "", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AbsurdFigure, TenThousandInvertersAreNoList) {
    std::string list = "[";
    for (int i = 0; i < 10000; ++i)
        list += std::string(i ? "," : "") + R"({"serialNumber":"1","lastReportDate":1,"lastReportWatts":1})";
    AbsurdNotes absurd;
    EXPECT_FALSE(ParseInverters(list + "]", kNow, absurd));
    EXPECT_EQ(absurd.size(), 1U);
}

TEST(BatteryTooltip, AvailableReserveAndEachUnit) {
    SiteEquipment equipment;
    AbsurdNotes absurd;
    for (const char* name : {"fw-8.2.4382-acb-ensemble-secctrl.json", "fw-8.2.4382-acb-ensemble-inventory.json",
                             "fw-8.2.4382-acb-tariff.json"}) {
        const std::string text = test::ReadFixture(std::string("site/") + name);
        TakeDocument(equipment, KindOfDocument(text), text, kNow, absurd);
    }
    EXPECT_EQ(BatteryTooltip(*BatteryOf(equipment)),
              "Available 2.8 of 7.2 kWh\nReserve 0 %\nBattery 122311091641: 10 %, 11 \u00b0C");
    // Without the aggregate the units speak, weighed by their capacity.
    equipment.aggregate.reset();
    EXPECT_EQ(BatteryLine(*BatteryOf(equipment)), "Battery: 10 % (0.4 of 3.5 kWh), reserve 0 %, self-consumption\n");
}

}  // namespace
}  // namespace pelmora
