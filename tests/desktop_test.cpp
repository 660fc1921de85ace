// The desktop side without a desktop: which alerts a run of reads starts
// and ends, the autostart entry (checked by desktop-file-validate where it
// is installed), [Desktop] and [Alerts], and the tray's text and colour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fixed_wall_clock.h"
#include "access/token_request.h"
#include "desktop/alert_watch.h"
#include "desktop/autostart.h"
#include "desktop/desktop_settings.h"
#include "desktop/tray_text.h"
#include "gateway/gateway_request.h"
#include "fakes/memory_file_system.h"
#include "fakes/memory_settings_store.h"
#include "posix/posix_file_system.h"
#include "temp_folder.h"

namespace pelmora {
namespace {

struct Told : Notifier {
    void Notify(const std::string& summary, const std::string&) override { summaries.push_back(summary); }
    std::vector<std::string> summaries;
};

// One read of the run: at `second`, failed with `failure`, or good with
// these figures.
struct Moment {
    std::int64_t second;
    const char* failure = nullptr;
    std::int64_t epoch = 0;
    double production_w = 0.0;
    double grid_w = 0.0;
    double phase2_volts = 230.0;
    std::shared_ptr<const SiteEquipment> equipment = nullptr;
};

struct AlertRow {
    const char* name;
    Alert alert;
    std::vector<Moment> run;
    std::vector<std::string> told;
};
class AlertWatchTest : public ::testing::TestWithParam<AlertRow> {};

// Each alert says once that its condition started and once that it ended,
// whatever the number of reads in between; with the alert off, nothing.
TEST_P(AlertWatchTest, OnceAtTheStartAndOnceAtTheEnd) {
    for (const bool on : {true, false}) {
        FixedWallClock clock(0);
        Told told;
        AlertWatch watch(clock, told);
        DesktopSettings settings;
        settings.alerts[static_cast<std::size_t>(GetParam().alert)] = on;
        settings.export_threshold_w = 1000.0;
        watch.Configure(settings);
        for (const Moment& m : GetParam().run) {
            clock.set(1'800'000'000 + m.second);
            FinishedRead read;
            read.address = "gateway.lan";
            read.request_failed = m.failure != nullptr;
            if (m.failure != nullptr) read.failure_text = m.failure;
            if (m.failure == nullptr) read.epoch = m.epoch != 0 ? m.epoch : 1'800'000'000 + m.second;
            read.production_w = m.production_w;
            read.grid_w = m.grid_w;
            read.consumption_w = m.production_w + m.grid_w;
            for (PhaseFigures& p : read.phases) p.volts = 231.0;
            read.phases[1].volts = m.phase2_volts;
            read.equipment = m.equipment;
            watch.OnFinishedRead(read);
        }
        EXPECT_EQ(told.summaries, on ? GetParam().told : std::vector<std::string>{}) << (on ? "on" : "off");
    }
}

// A good read and a failed one at each second from `from` to `to`.
std::vector<Moment> every_second(std::int64_t from, std::int64_t to, Moment like) {
    std::vector<Moment> run;
    for (std::int64_t s = from; s < to; ++s) {
        like.second = s;
        run.push_back(like);
    }
    return run;
}

// Good reads whose timestamp steps between `epoch` and the second before it.
std::vector<Moment> back_and_forth(std::int64_t from, std::int64_t to, std::int64_t epoch) {
    std::vector<Moment> run;
    for (std::int64_t s = from; s < to; ++s) run.push_back({s, nullptr, s % 2 == 0 ? epoch : epoch - 1});
    return run;
}

// Good reads whose timestamp moves with the clock, `shift` seconds from it.
std::vector<Moment> shifted(std::int64_t from, std::int64_t to, std::int64_t shift) {
    std::vector<Moment> run;
    for (std::int64_t s = from; s < to; ++s) run.push_back({s, nullptr, 1'800'000'000 + s + shift});
    return run;
}

// Good reads each with `equipment`, one a second from `from`.
std::vector<Moment> with(std::int64_t from, const std::vector<SiteEquipment>& equipment) {
    std::vector<Moment> run;
    for (const SiteEquipment& e : equipment) {
        run.push_back({from, nullptr, 0, 0, 0, 230.0, std::make_shared<const SiteEquipment>(e)});
        ++from;
    }
    return run;
}

SiteEquipment grid(bool connected) {
    SiteEquipment e;
    e.inventory = EnsembleInventory{{}, connected};
    return e;
}

SiteEquipment charged(int percent) {
    SiteEquipment e;
    e.aggregate = BatteryAggregate{percent, 10'000, percent * 100.0, false};
    return e;
}

// Panels whose last reports lie these many minutes behind the newest.
SiteEquipment panels(const std::vector<int>& minutes_behind) {
    SiteEquipment e;
    e.inverters.emplace();
    for (std::size_t i = 0; i < minutes_behind.size(); ++i)
        e.inverters->push_back(
            {std::string(1, static_cast<char>('A' + i)), 1'800'000'000 - minutes_behind[i] * 60, 0, 0});
    return e;
}

SiteEquipment firmware(const char* now, std::uint32_t changes) {
    SiteEquipment e;
    e.gateway = GatewayInfo{"123456789012", "", now};
    e.firmware_changes = changes;
    e.previous_firmware = "D8.2.4286";
    return e;
}

std::vector<Moment> join(std::vector<std::vector<Moment>> parts) {
    std::vector<Moment> all;
    for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AlertWatchTest,
    ::testing::Values(
        AlertRow{"unreachable_for_five_minutes",
                 Alert::Unreachable,
                 join({every_second(0, 10, {}), every_second(10, 320, {0, kNoAnswer}), every_second(320, 330, {})}),
                 {"Gateway unreachable", "Gateway reachable again"}},
        AlertRow{"unreachable_under_five_minutes",
                 Alert::Unreachable,
                 join({every_second(0, 299, {0, kNoAnswer}), every_second(299, 310, {})}),
                 {}},
        AlertRow{
            "stale_for_a_minute",
            Alert::Stale,
            join({every_second(0, 5, {}), every_second(5, 80, {0, nullptr, 1'800'000'004}), every_second(80, 90, {})}),
            {"Gateway data stale", "Gateway data moving again"}},
        AlertRow{"clock_set_back_an_hour_moves_on",
                 Alert::Stale,
                 join({every_second(0, 10, {}), shifted(10, 100, -3600)}),
                 {}},
        AlertRow{"stale_back_and_forth",
                 Alert::Stale,
                 join({every_second(0, 5, {}), back_and_forth(5, 80, 1'800'000'004), every_second(80, 90, {})}),
                 {"Gateway data stale", "Gateway data moving again"}},
        AlertRow{"unreachable_then_a_short_second_episode",
                 Alert::Unreachable,
                 join({every_second(0, 310, {0, kNoAnswer}), every_second(310, 320, {}),
                       every_second(320, 420, {0, kNoAnswer}), every_second(420, 430, {})}),
                 {"Gateway unreachable", "Gateway reachable again"}},
        AlertRow{
            "stale_then_a_short_second_episode",
            Alert::Stale,
            join({every_second(0, 5, {}), every_second(5, 80, {0, nullptr, 1'800'000'004}), every_second(80, 90, {}),
                  every_second(90, 130, {0, nullptr, 1'800'000'089}), every_second(130, 140, {})}),
            {"Gateway data stale", "Gateway data moving again"}},
        AlertRow{
            "phase_dead_for_a_minute",
            Alert::DeadPhase,
            join({every_second(0, 5, {}), every_second(5, 70, {0, nullptr, 0, 0, 0, 0.0}), every_second(70, 75, {})}),
            {"Phase 2 dead", "Phase 2 back"}},
        AlertRow{"phase_never_had_voltage", Alert::DeadPhase, every_second(0, 100, {0, nullptr, 0, 0, 0, 0.0}), {}},
        AlertRow{"export_stopped_with_production",
                 Alert::ExportStopped,
                 join({every_second(0, 5, {0, nullptr, 0, 3000, -2000}), every_second(5, 70, {0, nullptr, 0, 3000, 10}),
                       every_second(70, 75, {0, nullptr, 0, 3000, -2000})}),
                 {"Export stopped", "Export again"}},
        AlertRow{
            "import_below_the_threshold", Alert::ExportStopped, every_second(0, 100, {0, nullptr, 0, 900, 10}), {}},
        AlertRow{"token_refused",
                 Alert::TokenRefused,
                 join({every_second(0, 3, {}), every_second(3, 9, {0, kTokenRefused}),
                       every_second(9, 10, {0, kNoAnswer}), every_second(10, 12, {})}),
                 {"Token refused", "Token accepted again"}},
        AlertRow{"certificate_changed",
                 Alert::CertificateChanged,
                 join({every_second(0, 3, {}), every_second(3, 9, {0, kCertificateChanged}), every_second(9, 12, {})}),
                 {"Gateway certificate changed", "Gateway certificate trusted"}},
        AlertRow{"grid_cut_off_and_back",
                 Alert::GridCutOff,
                 with(0, {grid(true), grid(false), grid(false), SiteEquipment{}, grid(false), grid(true)}),
                 {"Grid cut off", "Grid back"}},
        AlertRow{"battery_low_ends_five_points_above",
                 Alert::BatteryLow,
                 with(0, {charged(30), charged(19), charged(18), charged(20), charged(24), charged(25), charged(21)}),
                 {"Battery low", "Battery charged again"}},
        AlertRow{"one_panel_silent_while_the_others_report",
                 Alert::PanelSilent,
                 with(0, {panels({0, 5, 119}), panels({0, 5, 121}), panels({0, 5, 180}), panels({0, 5, 1})}),
                 {"Panel C silent", "Panel C reports again"}},
        AlertRow{"panels_silent_while_most_others_are_too",
                 Alert::PanelSilent,
                 with(0, {panels({0, 121, 121, 121}), panels({0, 0, 121, 121, 121})}),
                 {"3 panels silent"}},
        AlertRow{"firmware_changed_once",
                 Alert::FirmwareChanged,
                 with(0, {firmware("D8.2.4286", 0), firmware("D8.3.5167", 1), firmware("D8.3.5167", 1),
                          firmware("D8.2.4286", 0)}),
                 {"Gateway firmware changed"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The token's expiry crosses 30, 7 and 1 days, each said once; a new token ends it.
TEST(AlertWatch, TokenExpiryAtThirtySevenAndOneDays) {
    FixedWallClock clock(1'800'000'000);
    Told told;
    AlertWatch watch(clock, told);
    DesktopSettings settings;
    settings.alerts[static_cast<std::size_t>(Alert::TokenExpiring)] = true;
    watch.Configure(settings);
    std::int64_t expiry = 1'800'000'000 + 40 * 86400;
    watch.set_token_expiry([&] { return std::optional(expiry); });
    FinishedRead read;
    read.epoch = 1;
    for (int day = 0; day <= 40; ++day) {
        clock.set(1'800'000'000 + day * 86400);
        for (int i = 0; i < 3; ++i) watch.OnFinishedRead(read);
    }
    expiry += 400 * 86400;
    watch.OnFinishedRead(read);
    EXPECT_EQ(told.summaries, (std::vector<std::string>{"Token expires in 30 days", "Token expires in 7 days",
                                                        "Token expires in a day", "Token renewed"}));
}

// Written where the session looks, with --tray when the tray is on, quoted
// and escaped where the path needs it; removed again; valid as a desktop
// entry; a path no entry can carry is refused.
TEST(Autostart, WrittenValidAndRemoved) {
    test::TempWorkingFolder folder;
    PosixFileSystem files;
    const std::string path = AutostartPath(folder.path().string(), "org.pelmora.Pelmora", "PelmoraB");
    EXPECT_EQ(path, folder.path().string() + "/autostart/org.pelmora.Pelmora.PelmoraB.desktop");
    EXPECT_EQ(AutostartPath("/c", "org.pelmora.Pelmora", "Pelmora"), "/c/autostart/org.pelmora.Pelmora.desktop");
    struct Row {
        const char* exec;
        const char* exec_line;
        const char* try_exec_line;
    };
    for (const Row& row : {
             Row{"/usr/bin/Pelmora", "Exec=/usr/bin/Pelmora --tray\n", "TryExec=/usr/bin/Pelmora\n"},
             Row{"/home/a b/my \"$x\" 100%/Pelmora",
                 R"(Exec="/home/a b/my \\"\\$x\\" 100%%/Pelmora" --tray)"
                 "\n",
                 "TryExec=/home/a b/my \"$x\" 100%/Pelmora\n"},
             Row{"/opt/back\\slash/it's/Pelmora",
                 R"(Exec="/opt/back\\\\slash/it's/Pelmora" --tray)"
                 "\n",
                 R"(TryExec=/opt/back\\slash/it's/Pelmora)"
                 "\n"},
         }) {
        SetAutostart(files, path, AutostartEntry("PelmoraB", row.exec, true));
        ASSERT_TRUE(AutostartOn(files, path));
        const std::string text = *files.read_file(path, 4096);
        EXPECT_NE(text.find(row.exec_line), std::string::npos) << text;
        EXPECT_NE(text.find(row.try_exec_line), std::string::npos) << text;
        if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
            EXPECT_EQ(std::system(("desktop-file-validate '" + path + "'").c_str()), 0) << text;
        }
    }
    for (const char* unsafe : {"", "Pelmora", "/home/x\nExec=true #/Pelmora", "/home/x\r/Pelmora", "/a\x1b[2J/Pelmora"})
        EXPECT_THROW(AutostartEntry("Pelmora", unsafe, false), Failure) << unsafe;
    SetAutostart(files, path, "");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(AutostartOn(files, path));
    SetAutostart(files, path, "");  // removing what is not there is no failure
}

TEST(DesktopSettings, OffUnlessSwitchedOnAndReadBack) {
    MemorySettingsStore settings;
    const DesktopSettings none = LoadDesktopSettings(settings, "Pelmora");
    EXPECT_FALSE(none.tray || none.close_to_tray);
    for (const bool a : none.alerts) EXPECT_FALSE(a);
    settings.SaveSetting("Pelmora", kAlertsSection, "ExportThreshold", "-5");
    settings.SaveSetting("Pelmora", kDesktopSection, "Tray", "yes");
    EXPECT_EQ(LoadDesktopSettings(settings, "Pelmora").export_threshold_w, 1000.0);
    EXPECT_FALSE(LoadDesktopSettings(settings, "Pelmora").tray);
    DesktopSettings some;
    some.tray = true;
    some.alerts[static_cast<std::size_t>(Alert::DeadPhase)] = true;
    some.export_threshold_w = 2500.5;
    SaveDesktopSettings(settings, "Pelmora", some);
    const DesktopSettings back = LoadDesktopSettings(settings, "Pelmora");
    EXPECT_TRUE(back.tray);
    EXPECT_TRUE(back.alert(Alert::DeadPhase));
    EXPECT_FALSE(back.alert(Alert::Stale));
    EXPECT_EQ(back.export_threshold_w, 2500.5);
}

TEST(TrayState, FiguresAndTheGridsColour) {
    FinishedRead read;
    read.production_w = 3785.0;
    read.consumption_w = 446.0;
    read.grid_w = -3339.0;
    TrayState s = TrayStateOf(read, "Pelmora");
    EXPECT_EQ(s.tooltip, "Pelmora\nProduction 3,785.0 W\nConsumption 446.0 W\nGrid export 3,339.0 W");
    EXPECT_EQ(s.colour, kExportGreen);
    read.grid_w = 0.0;  // as the window: exactly 0 is import
    EXPECT_EQ(TrayStateOf(read, "Pelmora").colour, kImportLightRed);
    read.request_failed = true;
    read.failure_text = kNoAnswer;
    s = TrayStateOf(read, "PelmoraB");
    EXPECT_EQ(s.tooltip, "PelmoraB\nWrong/No IP address");
    EXPECT_FALSE(s.colour);
}

}  // namespace
}  // namespace pelmora
