#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "phases/form_values.h"
#include "form/memory_controls_view.h"
#include "fakes/memory_file_system.h"
#include "read_fakes.h"
#include "readings/pelmora_read.h"
#include "records/error_log.h"
#include "test_support.h"
#include "tools/gateway_document.h"

namespace pelmora {
namespace {

// One line of an indented phase entry, as the gateway writes it.
std::string phase_line(const std::string& key, const std::string& value) {
    return "\n                \"" + key + "\": " + value;
}
// One line of a meter's own values.
std::string meter_line(const std::string& key, const std::string& value) {
    return "\n        \"" + key + "\": " + value;
}

std::string join(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        out += items[i];
    }
    return out;
}

// A document with the given eight power values (slots 1 to 8).
std::string powers_document(const std::vector<std::string>& powers, const std::string& epoch = "1700000000") {
    std::vector<std::string> items = {"[\n    {\n        \"eid\": 1", meter_line("timestamp", epoch)};
    for (std::size_t i = 0; i < powers.size(); ++i) {
        items.push_back((i % 4 == 0 ? meter_line : phase_line)("activePower", powers[i]));
    }
    items.push_back("\n    }\n]");
    return join(items);
}

class PelmoraReadTest : public ::testing::Test {
protected:
    MemoryControlsView view;
    test::ScriptedRequest request;
    test::SteppingTicks ticks;
    test::FixedRegionalFormat format;
    MemoryFileSystem files;
    ErrorLog log{files, format};
    FormValues form;
    ReadContext context{view, request, ticks, format, log, files};

    void read(const std::string& answer) {
        request.set_answer(answer);
        PelmoraRead(context, form, &finished);
    }
    FinishedRead finished;
    std::string output() { return files.files["E:\\Meters.txt"]; }
};

TEST_F(PelmoraReadTest, UnreachableGatewayTouchesOnlyTurnaroundAndTimeStamp) {
    view.set_value("CreateOutputchk", 1);
    view.set_text("Production", "5.0");
    view.set_text("Consumption", "7.0");
    view.set_text("Grid", "2.0");
    view.set_back_color("Grid", kExportGreen);
    view.set_text("S1", "1.0");
    form.ConsumptionMode = false;
    read("");
    EXPECT_EQ(view.text("Turnaround"), "87 ms");
    EXPECT_EQ(view.text("TimeStamp"), "Wrong/No IP address");
    EXPECT_EQ(view.text("Production"), "5.0");
    EXPECT_EQ(view.text("S1"), "1.0");
    EXPECT_EQ(view.back_color("Grid"), kExportGreen);
    EXPECT_EQ(output(), "Wrong/No IP address\r\n5.0\r\n7.0\r\n-2 \r\n");
}

TEST_F(PelmoraReadTest, UrlIsBuiltFromTheAddressAsTyped) {
    view.set_text("IP", " 192.168.1.20:8080");
    read("");
    ASSERT_EQ(request.urls.size(), 1u);
    EXPECT_EQ(request.urls[0], "http:// 192.168.1.20:8080/ivp/meters/readings");
}

TEST_F(PelmoraReadTest, TurnaroundSurvivesTickWrap) {
    test::SteppingTicks wrapping(0xFFFFFF00u, 0x110u);
    ReadContext wrapped{view, request, wrapping, format, log, files};
    request.set_answer("");
    PelmoraRead(wrapped, form);
    EXPECT_EQ(view.text("Turnaround"), "272 ms");
}

struct MeterRow {
    const char* name;
    bool consumption_mode;
    const char* production;
    const char* second_meter;
    const char* production_shown;
    const char* grid;
    OleColor grid_color;
    const char* consumption;
    double grid_w;  // what the read hands on: signed, as shown
    double consumption_w;
};

class SecondMeterTest : public PelmoraReadTest, public ::testing::WithParamInterface<MeterRow> {};

TEST_P(SecondMeterTest, GridAndConsumption) {
    const MeterRow& row = GetParam();
    form.ConsumptionMode = row.consumption_mode;
    read(powers_document({row.production, "0", "0", "0", row.second_meter}));
    EXPECT_EQ(view.text("Production"), row.production_shown);
    EXPECT_EQ(view.text("Grid"), row.grid);
    EXPECT_EQ(view.back_color("Grid"), row.grid_color);
    EXPECT_EQ(view.text("Consumption"), row.consumption);
    EXPECT_EQ(finished.grid_w, row.grid_w);
    EXPECT_EQ(finished.consumption_w, row.consumption_w);
}

INSTANTIATE_TEST_SUITE_P(Rows, SecondMeterTest,
                         ::testing::Values(MeterRow{"net_meter_export", false, "2345.67", "-1000.04", "2,345.7",
                                                    "1,000.0", kExportGreen, "1,345.7", -1000.0, 1345.7},
                                           MeterRow{"net_meter_import", false, "100.0", "250.26", "100.0", "250.3",
                                                    kImportLightRed, "350.3", 250.3, 350.3},
                                           MeterRow{"net_meter_zero_is_import", false, "0", "0", "0.0", "0.0",
                                                    kImportLightRed, "0.0", 0.0, 0.0},
                                           MeterRow{"consumption_meter_export", true, "2345.67", "1000.04", "2,345.7",
                                                    "1,345.7", kExportGreen, "1,000.0", -1345.7, 1000.0},
                                           MeterRow{"consumption_meter_import", true, "500.0", "1234.56", "500.0",
                                                    "734.6", kImportLightRed, "1,234.6", 734.6, 1234.6},
                                           MeterRow{"thousands_both_sides", false, "12345.6", "-11111.1", "12,345.6",
                                                    "11,111.1", kExportGreen, "1,234.5", -11111.1, 1234.5}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PhaseRow {
    const char* name;
    bool consumption_mode;
    int slot;
    const char* value;
    const char* shown;
    OleColor color;
    double grid_w;  // the phase's figure handed on, with its sign
};

class PhasePowerTest : public PelmoraReadTest, public ::testing::WithParamInterface<PhaseRow> {};

TEST_P(PhasePowerTest, SignAndColour) {
    const PhaseRow& row = GetParam();
    form.ConsumptionMode = row.consumption_mode;
    std::vector<std::string> powers(8, "1");
    powers[static_cast<std::size_t>(row.slot - 1)] = row.value;
    read(powers_document(powers));
    const std::string box = "G" + std::to_string(row.slot - 5);
    EXPECT_EQ(view.text(box), row.shown);
    EXPECT_EQ(view.back_color(box), row.color);
    EXPECT_EQ(finished.phases[static_cast<std::size_t>(row.slot - 6)].grid_w, row.grid_w);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PhasePowerTest,
    ::testing::Values(PhaseRow{"slot6_export", false, 6, "-12.34", "12.3", kExportGreen, -12.3},
                      PhaseRow{"slot8_whole_number", false, 8, "-12.34", "12.0", kExportGreen, -12.0},
                      PhaseRow{"slot8_half_to_even", false, 8, "12.5", "12.0", kImportLightRed, 12.0},
                      PhaseRow{"slot7_import", false, 7, "1234.5", "1,234.5", kImportLightRed, 1234.5},
                      PhaseRow{"slot7_consumption_mode", true, 7, "1234.5", "1,234.5", kWindowBackground, 1234.5},
                      PhaseRow{"slot6_consumption_mode_export", true, 6, "-7.5", "7.5", kWindowBackground, -7.5},
                      PhaseRow{"slot6_negative_zero", false, 6, "-0.000", "0.0", kImportLightRed, 0.0},
                      PhaseRow{"slot6_grouped_export", false, 6, "-1234.56", "1,234.6", kExportGreen, -1234.6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PelmoraReadTest, SolarPhasesAndTimestamp) {
    form.ZoneOffset = 3600;
    read(powers_document({"3000", "1000.04", "999.95", "-1000.06", "0"}));
    EXPECT_EQ(view.text("S1"), "1,000.0");
    EXPECT_EQ(view.text("S2"), "1,000.0");  // 999.95 rounds half to even first: 1000.0
    EXPECT_EQ(view.text("S3"), "-1,000.1");
    EXPECT_EQ(view.text("TimeStamp"), "2023-11-14 23:13:20");
}

TEST_F(PelmoraReadTest, ProductionOnlyKeepsConsumptionAndColours) {
    view.set_text("Consumption", "812.3");
    view.set_back_color("Grid", kExportGreen);
    view.set_back_color("G2", kExportGreen);
    read(powers_document({"100", "30", "30", "40"}));
    EXPECT_EQ(view.text("Consumption"), "812.3");
    for (const char* box : {"Grid", "G1", "G2", "G3"}) EXPECT_EQ(view.text(box), "0") << box;
    EXPECT_EQ(view.back_color("Grid"), kExportGreen);
    EXPECT_EQ(view.back_color("G2"), kExportGreen);
    EXPECT_EQ(view.text("S3"), "40.0");
}

TEST_F(PelmoraReadTest, DocumentWithoutTimestampLeavesZero) {
    read(join({meter_line("activePower", "5"), meter_line("voltage", "230")}));
    EXPECT_EQ(view.text("TimeStamp"), "0");
    EXPECT_EQ(view.text("Production"), "5.0");
}

TEST_F(PelmoraReadTest, OnlyTheFirstShownTimestampCounts) {
    read(join({meter_line("timestamp", "1700000000"), meter_line("timestamp", "1800000000")}));
    EXPECT_EQ(view.text("TimeStamp"), "2023-11-14 22:13:20");
}

struct TimestampRow {
    const char* name;
    std::string document;
    const char* shown;
};
class TimestampTest : public PelmoraReadTest, public ::testing::WithParamInterface<TimestampRow> {};

// The epoch is the timestamp's value whatever the layout, and the read goes
// on to write the output file.
TEST_P(TimestampTest, ShowsTheDateAndSaves) {
    view.set_value("CreateOutputchk", 1);
    form.ZoneOffset = 0;
    read(GetParam().document);
    EXPECT_EQ(view.text("TimeStamp"), GetParam().shown);
    EXPECT_EQ(view.text("Production"), "3,785.0");
    ASSERT_EQ(files.files.size(), 1u);
    EXPECT_TRUE(files.files.begin()->second.starts_with(std::string(GetParam().shown) + "\r\n3,785.0\r\n"));
}

std::string with_epoch(const std::string& from, const std::string& to) {
    std::string document = test::ReadFixture("readings.json");
    for (std::size_t at = document.find(from); at != std::string::npos; at = document.find(from, at + to.size()))
        document.replace(at, from.size(), to);
    return document;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TimestampTest,
    ::testing::Values(TimestampRow{"compact", test::ReadFixture("readings_compact.json"), "2023-11-14 22:13:20"},
                      TimestampRow{"indented_by_two", with_epoch("\n        ", "\n  "), "2023-11-14 22:13:20"},
                      TimestampRow{"milliseconds", with_epoch("1700000000,", "1700000000123,"), "2023-11-14 22:13:20"},
                      TimestampRow{"milliseconds_past_half", with_epoch("1700000000,", "1700000000623,"),
                                   "2023-11-14 22:13:20"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PelmoraReadTest, GatewayFixtureFillsEveryBoxAndTheOutputFile) {
    view.set_value("CreateOutputchk", 1);
    form.ZoneOffset = 0;
    read(test::ReadFixture("readings.json"));
    EXPECT_EQ(view.text("TimeStamp"), "2023-11-14 22:13:20");
    EXPECT_EQ(view.text("Production"), "3,785.0");
    for (const char* box : {"S1", "S2", "S3", "Grid", "Consumption", "G1", "G2", "G3", "A1", "A2", "A3"}) {
        EXPECT_NE(view.text(box), "0") << box;
    }
    EXPECT_EQ(output().substr(0, 30), "2023-11-14 22:13:20\r\n3,785.0\r\n");
    // The figures handed on, worked out from the document: production 3784.988,
    // net -3338.951, phase 1 solar 1165.032, net -1100.662 at 231.09 V.
    EXPECT_EQ(finished.production_w, 3785.0);
    EXPECT_EQ(finished.grid_w, -3339.0);
    EXPECT_EQ(finished.consumption_w, 446.0);
    EXPECT_EQ(finished.phases[0].solar_w, 1165.0);
    EXPECT_EQ(finished.phases[0].grid_w, -1100.7);
    EXPECT_EQ(finished.phases[0].volts, 231.1);
    EXPECT_EQ(finished.epoch, 1700000000);
}

TEST_F(PelmoraReadTest, FailingSaveAsFirstFailureEndsQuietly) {
    view.set_value("CreateOutputchk", 1);
    files.fail_replace = true;
    EXPECT_NO_THROW(read(powers_document({"1", "2", "3", "4", "5"})));
    EXPECT_EQ(view.text("Production"), "1.0");
}

TEST_F(PelmoraReadTest, FailingSaveAsSecondFailureGoesToCaller) {
    view.set_value("CreateOutputchk", 1);
    files.fail_replace = true;
    EXPECT_THROW(read(join({meter_line("timestamp", "bad"), meter_line("activePower", "5")})), Failure);
    EXPECT_EQ(view.text("Production"), "5.0");
}

TEST_F(PelmoraReadTest, FirstPowerValueFailingWithNoEarlierValueSkipsTheSlot) {
    read(join({meter_line("activePower", "n/a"), phase_line("activePower", "20")}));
    EXPECT_EQ(view.text("Production"), "0");
    EXPECT_EQ(view.text("S1"), "20.0");
}

TEST_F(PelmoraReadTest, FailingPowerValueReusesThePreviousValue) {
    read(join({meter_line("activePower", "10"), phase_line("activePower", "n/a")}));
    EXPECT_EQ(view.text("Production"), "10.0");
    EXPECT_EQ(view.text("S1"), "10.0");
}

TEST_F(PelmoraReadTest, PowerItemWithoutColonFails) {
    read(join({meter_line("activePower", "10"), "activePower 7"}));
    EXPECT_EQ(view.text("S1"), "10.0");
}

TEST_F(PelmoraReadTest, NinthPowerValueChangesNothing) {
    std::vector<std::string> powers = {"1", "2", "3", "4", "5", "6", "7", "8", "-999"};
    read(powers_document(powers));
    EXPECT_EQ(view.text("G3"), "8.0");
    EXPECT_EQ(view.text("Grid"), "5.0");
    EXPECT_EQ(view.text("Production"), "1.0");
}

// A phase entry with the given keys in the given order.
std::string phase_entry(const std::vector<std::pair<std::string, std::string>>& keys) {
    std::vector<std::string> items;
    for (const auto& [key, value] : keys) items.push_back(phase_line(key, value));
    return join(items);
}

std::string two_meter_phases(const std::string& pf_second, const std::string& amps_second, bool amps_first) {
    std::vector<std::string> parts;
    for (int meter = 0; meter < 2; ++meter) {
        parts.push_back(
            join({meter_line("pwrFactor", "0.5"), meter_line("voltage", "690"), meter_line("current", "30")}));
        for (int phase = 0; phase < 3; ++phase) {
            const std::string pf = meter == 0 ? "0.99" : pf_second;
            const std::string amps = meter == 0 ? std::to_string(phase + 1) + ".04" : amps_second;
            const std::string volts = std::to_string(230 + phase + meter * 10) + ".25";
            if (amps_first) {
                parts.push_back(phase_entry({{"current", amps}, {"pwrFactor", pf}, {"voltage", volts}}));
            } else {
                parts.push_back(phase_entry({{"pwrFactor", pf}, {"voltage", volts}, {"current", amps}}));
            }
        }
    }
    return join(parts);
}

TEST_F(PelmoraReadTest, PhaseCurrentSignedByPowerFactor) {
    read(two_meter_phases("-0.9", "5.3", false));
    for (const char* box : {"A1", "A2", "A3"}) EXPECT_EQ(view.text(box), "-4.8") << box;
    EXPECT_EQ(view.tooltip("A1"), "240.2");  // 240.25, ties to even
    EXPECT_EQ(view.tooltip("A3"), "242.2");
    EXPECT_DOUBLE_EQ(form.PhasePF2, -0.9);
    EXPECT_EQ(form.VoltsCount, 8);
    EXPECT_EQ(form.AmpsCount, 8);
    EXPECT_EQ(form.PFCount, 8);
}

TEST_F(PelmoraReadTest, ProductOfCurrentAndPowerFactorRoundsItsDecimalForm) {
    read(two_meter_phases("0.3", "1.5", false));
    EXPECT_EQ(view.text("A1"), "0.5");  // 0.45 away from zero, though 1.5 * 0.3 is 0.4499... as a double
}

TEST_F(PelmoraReadTest, CurrentBeforePowerFactorUsesThePreviousRead) {
    read(two_meter_phases("-0.9", "5.3", true));
    EXPECT_EQ(view.text("A1"), "0.0");
    read(two_meter_phases("0.5", "5.3", true));
    EXPECT_EQ(view.text("A1"), "-4.8");  // last read's -0.9
    read(two_meter_phases("0.5", "5.3", true));
    EXPECT_EQ(view.text("A1"), "2.7");  // 2.65 away from zero
}

TEST_F(PelmoraReadTest, OneMeterShowsItsOwnCurrentsWithoutPowerFactor) {
    form.PhasePF1 = 0.7;
    read(join({meter_line("current", "9"), phase_line("current", "1.04"), phase_line("current", "2.05"),
               phase_line("current", "3.15"), phase_line("voltage", "1"), phase_line("voltage", "230.25")}));
    EXPECT_EQ(view.text("A1"), "1.0");
    EXPECT_EQ(view.text("A2"), "2.0");
    EXPECT_EQ(view.text("A3"), "3.2");
    EXPECT_EQ(view.tooltip("A1"), "230.2");
    EXPECT_DOUBLE_EQ(form.PhasePF1, 0.7);
}

TEST_F(PelmoraReadTest, MissingPhaseEntryShiftsLaterBoxes) {
    read(join({meter_line("current", "9"), phase_line("current", "1"), phase_line("current", "3"),
               meter_line("current", "9"), phase_line("current", "11")}));
    EXPECT_EQ(view.text("A1"), "1.0");
    EXPECT_EQ(view.text("A2"), "3.0");
    EXPECT_EQ(view.text("A3"), "9.0");  // the second meter's whole value lands in phase 3's box
}

TEST_F(PelmoraReadTest, FailedPhaseValueStillCounts) {
    read(join({meter_line("voltage", "690"), phase_line("voltage", "oops"), phase_line("voltage", "231")}));
    EXPECT_EQ(view.tooltip("A1"), "Green Export, Red Iimport");
    EXPECT_EQ(view.tooltip("A2"), "231.0");
}

TEST_F(PelmoraReadTest, CountersNeverOverflow) {
    std::vector<std::string> items(40000, "current: 1");
    EXPECT_NO_THROW(read(join(items)));
    EXPECT_EQ(form.AmpsCount, 32767);
}

TEST_F(PelmoraReadTest, ReadAfterFailureStartsFresh) {
    EXPECT_THROW(
        read(join({meter_line("timestamp", "x"), meter_line("activePower", "5"), meter_line("timestamp", "y")})),
        Failure);
    read(powers_document({"1", "2", "3", "4", "-5"}));
    EXPECT_EQ(view.text("Grid"), "5.0");
    EXPECT_EQ(view.text("TimeStamp"), "2023-11-14 22:13:20");
}

}  // namespace
}  // namespace pelmora
