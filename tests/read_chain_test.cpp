// The whole read on loopback: simulator, HTTP request, read routine, the
// controls, and the output file on disk. Expected figures are worked out here
// from the served document with integer arithmetic, not with the program's
// own number functions.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "posix/steady_tick_source.h"
#include "curl/url_launch.h"
#include "phases/form_values.h"
#include "records/iso_regional_format.h"
#include "form/memory_controls_view.h"
#include "posix/posix_file_system.h"
#include "platform/tick_source.h"
#include "readings/pelmora_read.h"
#include "records/error_log.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "tools/gateway_document.h"

namespace pelmora {
namespace {

std::vector<long long> thousandths_of(const std::string& document, const std::string& key) {
    std::vector<long long> values;
    const std::regex pattern("\"" + key + "\": (-?)([0-9]+)\\.([0-9]{3})");
    for (auto it = std::sregex_iterator(document.begin(), document.end(), pattern); it != std::sregex_iterator();
         ++it) {
        const long long magnitude = std::stoll((*it)[2].str()) * 1000 + std::stoll((*it)[3].str());
        values.push_back((*it)[1].str() == "-" ? -magnitude : magnitude);
    }
    return values;
}

// Divides by `unit` with ties to even (positive unit).
long long divide_half_even(long long value, long long unit) {
    const long long m = value < 0 ? -value : value;
    long long q = m / unit;
    const long long r = m % unit;
    if (2 * r > unit || (2 * r == unit && q % 2 == 1)) ++q;
    return value < 0 ? -q : q;
}

long long divide_half_away(long long value, long long unit) {
    const long long m = value < 0 ? -value : value;
    long long q = m / unit;
    if (2 * (m % unit) >= unit) ++q;
    return value < 0 ? -q : q;
}

std::string figure(long long tenths) {
    const long long m = tenths < 0 ? -tenths : tenths;
    std::string whole = std::to_string(m / 10);
    for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3) whole.insert(static_cast<std::size_t>(at), ",");
    return (tenths < 0 ? "-" : "") + whole + "." + std::to_string(m % 10);
}

std::string plain(long long tenths) {
    const long long m = tenths < 0 ? -tenths : tenths;
    return std::to_string(m / 10) + (m % 10 ? "." + std::to_string(m % 10) : "");
}

TEST(ReadChain, SimulatorToWindowAndOutputFile) {
    test::TempWorkingFolder folder;
    SimulatedInstallation installation(21);
    const std::int64_t epoch = 1'712'345'678;
    const std::string served = RenderReadings(installation.Sample(epoch, 12.25), DocumentLayout::Indented);
    { std::ofstream("served.json", std::ios::binary) << served; }
    test::SimulatorProcess gateway({"--fixed", (folder.path() / "served.json").string()});

    MemoryControlsView view;
    view.set_text("IP", gateway.address());
    view.set_value("CreateOutputchk", 1);
    view.set_text("OutFile", "Meters.txt");
    CurlGatewayRequest request;
    SteadyTickSource ticks;
    IsoRegionalFormat format;
    PosixFileSystem files;
    ErrorLog log(files, format);
    FormValues form;
    form.ZoneOffset = 7200;
    PelmoraRead(ReadContext{view, request, ticks, format, log, files}, form);

    const auto power = thousandths_of(served, "activePower");
    const auto factor = thousandths_of(served, "pwrFactor");
    const auto amps = thousandths_of(served, "current");
    const auto volts = thousandths_of(served, "voltage");
    ASSERT_EQ(power.size(), 8u);
    ASSERT_EQ(factor.size(), 8u);

    std::vector<long long> tenths;
    for (long long p : power) tenths.push_back(divide_half_even(p, 100));
    EXPECT_EQ(view.text("Production"), figure(tenths[0]));
    EXPECT_EQ(view.text("S1"), figure(tenths[1]));
    EXPECT_EQ(view.text("S2"), figure(tenths[2]));
    EXPECT_EQ(view.text("S3"), figure(tenths[3]));
    EXPECT_EQ(view.text("Grid"), figure(tenths[4] < 0 ? -tenths[4] : tenths[4]));
    EXPECT_EQ(view.back_color("Grid"), tenths[4] < 0 ? kExportGreen : kImportLightRed);
    EXPECT_EQ(view.text("Consumption"), figure(tenths[0] + tenths[4]));
    for (int phase = 0; phase < 3; ++phase) {
        const std::string box = "G" + std::to_string(phase + 1);
        long long shown = phase < 2 ? tenths[5 + phase] : divide_half_even(power[7], 1000) * 10;
        EXPECT_EQ(view.text(box), figure(shown < 0 ? -shown : shown)) << box;
        EXPECT_EQ(view.back_color(box), shown < 0 ? kExportGreen : kImportLightRed) << box;

        const long long pf = divide_half_even(factor[5 + phase], 100);
        const long long current = divide_half_even(amps[5 + phase], 100);
        const std::string a = "A" + std::to_string(phase + 1);
        EXPECT_EQ(view.text(a), figure(divide_half_away(pf * current, 10))) << a;
        EXPECT_EQ(view.tooltip(a), figure(divide_half_even(volts[5 + phase], 100))) << a;
    }

    const std::time_t local = static_cast<std::time_t>(epoch + 7200);
    std::tm when{};
    gmtime_r(&local, &when);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &when);
    EXPECT_EQ(view.text("TimeStamp"), stamp);
    EXPECT_TRUE(std::regex_match(view.text("Turnaround"), std::regex("[0-9]+ ms")));

    const std::string line4 = tenths[4] < 0 ? "-" + plain(tenths[4]) + " " : figure(tenths[4]);
    EXPECT_EQ(test::ReadFile(folder.path() / "Meters.txt"), std::string(stamp) + "\r\n" + figure(tenths[0]) + "\r\n" +
                                                                figure(tenths[0] + tenths[4]) + "\r\n" + line4 +
                                                                "\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "QuillonError.log"));
}

}  // namespace
}  // namespace pelmora
