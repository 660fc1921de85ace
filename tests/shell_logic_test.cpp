#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "fakes.h"
#include "gateway/poll_cycle.h"
#include "phases/form_values.h"
#include "fakes/memory_settings_store.h"
#include "shell/display_platform.h"
#include "form/menu.h"
#include "form/settings.h"
#include "records/stored_value.h"
#include "form/startup.h"
#include "form/title_bar_place.h"
#include "shell_fakes.h"

namespace pelmora {
namespace {

class MenuTest : public ::testing::Test {
protected:
    test::FakeWindow window;
    test::FakeWindowSystem system;
    test::RecordingMessageBox about;
    ShellGlobals globals;
    Menu menu{system, window, window, about, globals};

    void SetUp() override {
        window.on_check_click = [this] { menu.CreateOutputchk_Click(); };
        menu.AddMenuItems("Stay On Top toggle..", "Show Settings...", "Show Phases...", "About...");
    }
    std::intptr_t command(std::uintptr_t id) { return system.send(WM_SYSCOMMAND, id); }
};

// A restored window's title bar on a 1920 by 1040 work area beside a
// second monitor to its left; 30 units of title, 100 to take hold of.
struct PlaceRow {
    const char* name;
    DesktopRect window;
    DesktopRect placed;
};

class TitleBarPlaceTest : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(TitleBarPlaceTest, KeepsTheTitleBarWithinReach) {
    const DesktopRect area{0, 0, 1920, 1040};
    EXPECT_EQ(TitleBarOnArea(GetParam().window, area, 30, 100), GetParam().placed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TitleBarPlaceTest,
    ::testing::Values(PlaceRow{"on_the_area", {100, 100, 580, 240}, {100, 100, 580, 240}},
                      PlaceRow{"partly_off_the_right_but_in_reach", {1700, 500, 580, 240}, {1700, 500, 580, 240}},
                      PlaceRow{"a_hand_edited_left", {900000, 100, 580, 240}, {1820, 100, 580, 240}},
                      PlaceRow{"a_removed_monitor_on_the_left", {-1800, 100, 580, 240}, {-480, 100, 580, 240}},
                      PlaceRow{"below_the_area", {100, 5000, 580, 240}, {100, 1010, 580, 240}},
                      PlaceRow{"above_the_area", {100, -300, 580, 240}, {100, 0, 580, 240}},
                      PlaceRow{"the_extreme_values", {2147483647, -2147483647, 580, 240}, {1820, 0, 580, 240}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuTest, AppendsSeparatorThenFourItemsAndInstallsProcedure) {
    ASSERT_EQ(system.appended.size(), 5u);
    EXPECT_EQ(system.appended[0].flags, MF_SEPARATOR);
    const std::vector<std::pair<std::uintptr_t, std::string>> expected = {
        {1010, "Stay On Top toggle.."}, {1011, "Show Settings..."}, {1013, "Show Phases..."}, {1015, "About..."}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(system.appended[i + 1].flags, MF_STRING);
        EXPECT_EQ(system.appended[i + 1].id, expected[i].first);
        EXPECT_EQ(system.appended[i + 1].text, expected[i].second);
    }
    EXPECT_FALSE(system.last_revert);
    EXPECT_EQ(system.last_index, GWL_WNDPROC);
    EXPECT_TRUE(static_cast<bool>(globals.PrevWndProc));
}

struct ToggleRow {
    const char* name;
    std::uintptr_t command;
    int width, height;
    int new_width, new_height;
};
class ResizeCommandTest : public MenuTest, public ::testing::WithParamInterface<ToggleRow> {};

TEST_P(ResizeCommandTest, ChangesSize) {
    window.width = GetParam().width;
    window.height = GetParam().height;
    EXPECT_EQ(command(GetParam().command), 0);
    EXPECT_EQ(window.width, GetParam().new_width);
    EXPECT_EQ(window.height, GetParam().new_height);
    EXPECT_TRUE(system.default_received.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ResizeCommandTest,
                         ::testing::Values(ToggleRow{"settings_full_to_narrow", 1011, 8670, 2160, 4620, 2160},
                                           ToggleRow{"settings_at_threshold_to_full", 1011, 4620, 2160, 8670, 2160},
                                           ToggleRow{"settings_just_above_threshold", 1011, 4621, 2160, 4620, 2160},
                                           ToggleRow{"settings_after_address_width", 1011, 4575, 2160, 8670, 2160},
                                           ToggleRow{"phases_short_to_tall", 1013, 8670, 2160, 8670, 3560},
                                           ToggleRow{"phases_tall_to_short", 1013, 8670, 3555, 8670, 2160},
                                           ToggleRow{"phases_at_threshold", 1013, 8670, 2500, 8670, 2160},
                                           ToggleRow{"phases_below_threshold", 1013, 8670, 2499, 8670, 3560}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuTest, StayOnTopTwiceReturnsToEarlierState) {
    command(1010);
    EXPECT_TRUE(globals.OnTopFlag);
    command(1010);
    EXPECT_FALSE(globals.OnTopFlag);
    ASSERT_EQ(system.positions.size(), 2u);
    EXPECT_EQ(system.positions[0].insert_after, HWND_TOPMOST);
    EXPECT_EQ(system.positions[1].insert_after, HWND_NOTOPMOST);
    EXPECT_EQ(system.positions[0].flags, 3u);
}

TEST_F(MenuTest, AboutShowsInformationBox) {
    command(1015);
    ASSERT_EQ(about.shown.size(), 1u);
    EXPECT_EQ(about.shown[0].title, "About");
    EXPECT_TRUE(about.shown[0].text.starts_with("Pelmora, Display Envoy info realtime.\r\nThe Pelmora developers"));
    EXPECT_EQ(about.shown[0].style, MB_ICONINFORMATION);
}

TEST_F(MenuTest, OtherMessagesPassThroughUnchanged) {
    EXPECT_EQ(command(SC_CLOSE), 77);
    EXPECT_EQ(command(1012), 77);
    EXPECT_EQ(command(1010 | 0x10000), 77);  // no bits are masked off
    EXPECT_EQ(system.send(0x10, 1010), 77);  // not WM_SYSCOMMAND
    EXPECT_EQ(system.default_received.size(), 4u);
    EXPECT_FALSE(globals.OnTopFlag);
}

TEST_F(MenuTest, CheckBoxAndDoubleClicksResize) {
    window.set_value("CreateOutputchk", 1);
    EXPECT_EQ(window.width, 4620);
    window.width = 8670;
    window.set_value("CreateOutputchk", 0);
    EXPECT_EQ(window.width, 8670);
    menu.IP_DblClick();
    EXPECT_EQ(window.width, 4575);
    menu.Grid_DblClick();
    EXPECT_EQ(window.height, 3560);
    menu.Grid_DblClick();
    EXPECT_EQ(window.height, 2160);
}

class SettingsTest : public MenuTest {
protected:
    MemorySettingsStore store;
    void stored(const std::string& key, const std::string& value) { store.values["Pelmora/Settings/" + key] = value; }
    std::string saved(const std::string& key) { return store.values["Pelmora/Settings/" + key]; }
    void load() { LoadSettings(store, window, window, system, globals, ScreenSize{15360, 11040}); }
};

TEST_F(SettingsTest, EmptyStoreChangesNothing) {
    load();
    EXPECT_TRUE(window.geometry_calls.empty());
    EXPECT_EQ(window.text("IP"), "envoy.local");
    EXPECT_TRUE(system.positions.empty());
    EXPECT_FALSE(globals.OnTopFlag);
}

TEST_F(SettingsTest, RestoresEverythingInOrder) {
    stored("Top", "300");
    stored("Left", "450");
    stored("Height", "3560");
    stored("Width", "7000");
    stored("IP", "192.168.1.20");
    stored("Write", "0");
    stored("OnTop", "False");
    load();
    EXPECT_EQ(window.geometry_calls, (std::vector<std::string>{"Height", "Width", "Top", "Left"}));
    EXPECT_EQ(window.top, 300);
    EXPECT_EQ(window.left, 450);
    EXPECT_EQ(window.height, 3560);
    EXPECT_EQ(window.width, 7000);
    EXPECT_EQ(window.text("IP"), "192.168.1.20");
    ASSERT_EQ(system.positions.size(), 1u);
    EXPECT_EQ(system.positions[0].insert_after, HWND_NOTOPMOST);
}

TEST_F(SettingsTest, ZeroHeightOrWidthKeepsDesignSize) {
    stored("Top", "300");
    stored("Left", "450");
    stored("Height", "0");
    stored("Width", "-5");
    stored("IP", "10.0.0.1");
    load();
    EXPECT_EQ(window.height, 2160);
    EXPECT_EQ(window.width, 8670);
    EXPECT_EQ(window.top, 300);
    EXPECT_EQ(window.text("IP"), "10.0.0.1");
}

TEST_F(SettingsTest, SizeIsHeldToTheAvailableScreen) {
    stored("Top", "0");
    stored("Height", "99999999");
    stored("Width", "99999999");
    load();
    EXPECT_EQ(window.height, 11040);
    EXPECT_EQ(window.width, 15360);
}

TEST_F(SettingsTest, WriteOneNarrowsTheWindow) {
    stored("Top", "0");
    stored("Width", "8670");
    stored("Write", "1");
    load();
    EXPECT_EQ(window.value("CreateOutputchk"), 1);
    EXPECT_EQ(window.width, 4620);
}

TEST_F(SettingsTest, OnTopTrueMakesTopmostAndNextToggleTurnsItOff) {
    stored("Top", "0");
    stored("OnTop", "True");
    load();
    EXPECT_TRUE(globals.OnTopFlag);
    EXPECT_EQ(system.positions.back().insert_after, HWND_TOPMOST);
    command(1010);
    EXPECT_FALSE(globals.OnTopFlag);
    EXPECT_EQ(system.positions.back().insert_after, HWND_NOTOPMOST);
}

struct StoredRow {
    const char* name;
    const char* top;
    const char* write;
    const char* on_top;
    bool restored;
    int check_value;
    bool topmost;
};
class StoredValueTest : public SettingsTest, public ::testing::WithParamInterface<StoredRow> {};

TEST_P(StoredValueTest, ReadsOrFallsBack) {
    stored("Top", GetParam().top);
    stored("IP", "restored");
    if (GetParam().write) stored("Write", GetParam().write);
    if (GetParam().on_top) stored("OnTop", GetParam().on_top);
    load();
    EXPECT_EQ(window.text("IP") == "restored", GetParam().restored);
    EXPECT_EQ(window.value("CreateOutputchk"), GetParam().check_value);
    EXPECT_EQ(globals.OnTopFlag, GetParam().topmost);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoredValueTest,
    ::testing::Values(StoredRow{"top_not_a_number_restores_nothing", "abc", "1", "True", false, 0, false},
                      StoredRow{"negative_top_restores_nothing", "-15", "1", "True", false, 0, false},
                      StoredRow{"fractional_top", "10.5", "1", "False", true, 1, false},
                      StoredRow{"write_missing_counts_as_off", "0", nullptr, "False", true, 0, false},
                      StoredRow{"write_out_of_range_counts_as_off", "0", "7", "False", true, 0, false},
                      StoredRow{"write_not_a_number_counts_as_off", "0", "yes", "False", true, 0, false},
                      StoredRow{"write_grey", "0", "2", "False", true, 2, false},
                      StoredRow{"on_top_missing_reads_true", "0", "0", nullptr, true, 0, true},
                      StoredRow{"on_top_number", "0", "0", "-1", true, 0, true},
                      StoredRow{"on_top_zero", "0", "0", "0", true, 0, false},
                      StoredRow{"on_top_lower_case", "0", "0", "true", true, 0, true},
                      StoredRow{"on_top_unreadable_is_off", "0", "0", "maybe", true, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct SaveRow {
    const char* name;
    int top, left, width, height;
    const char* saved_top;
    const char* saved_left;
};
class SaveClampTest : public SettingsTest, public ::testing::WithParamInterface<SaveRow> {};

TEST_P(SaveClampTest, BringsWindowOntoScreen) {
    window.top = GetParam().top;
    window.left = GetParam().left;
    window.width = GetParam().width;
    window.height = GetParam().height;
    SaveSettings(store, window, window, globals, ScreenSize{15360, 11520});
    EXPECT_EQ(saved("Top"), GetParam().saved_top);
    EXPECT_EQ(saved("Left"), GetParam().saved_left);
}

INSTANTIATE_TEST_SUITE_P(Rows, SaveClampTest,
                         ::testing::Values(SaveRow{"inside", 300, 450, 8670, 2160, "300", "450"},
                                           SaveRow{"above_screen", -300, 450, 8670, 2160, "0", "450"},
                                           SaveRow{"below_screen", 11000, 450, 8670, 2160, "9360", "450"},
                                           SaveRow{"right_of_screen", 300, 15000, 8670, 2160, "300", "6690"},
                                           SaveRow{"taller_than_screen_never_negative", 100, 0, 8670, 12000, "0", "0"},
                                           SaveRow{"wider_than_screen_never_negative", 0, 500, 16000, 2160, "0", "0"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, SavesSevenKeysInOrderAndRoundTrips) {
    window.set_text("IP", "");
    window.top = 600;
    window.left = 900;
    window.height = 3555;
    window.width = 4620;
    globals.OnTopFlag = true;
    window.set_value("CreateOutputchk", 1);
    SaveSettings(store, window, window, globals, ScreenSize{15360, 11520});
    EXPECT_EQ(store.writes,
              (std::vector<std::string>{"Pelmora/Settings/Top", "Pelmora/Settings/Left", "Pelmora/Settings/Height",
                                        "Pelmora/Settings/Width", "Pelmora/Settings/IP", "Pelmora/Settings/Write",
                                        "Pelmora/Settings/OnTop"}));
    EXPECT_EQ(saved("Height"), "3555");
    EXPECT_EQ(saved("IP"), "");
    EXPECT_EQ(saved("Write"), "1");
    EXPECT_EQ(saved("OnTop"), "True");

    test::FakeWindow next;
    test::FakeWindowSystem next_system;
    ShellGlobals next_globals;
    next.set_text("IP", "design");
    LoadSettings(store, next, next, next_system, next_globals, ScreenSize{15360, 11040});
    EXPECT_EQ(next.text("IP"), "");
    EXPECT_EQ(next.top, 600);
    EXPECT_EQ(next.height, 3555);
    EXPECT_TRUE(next_globals.OnTopFlag);
}

TEST(StoredValues, IntegerAndBooleanForms) {
    EXPECT_EQ(StoredInteger("2.5"), 2);
    EXPECT_EQ(StoredInteger("3.5"), 4);
    EXPECT_EQ(StoredInteger("-1"), -1);
    EXPECT_EQ(StoredInteger("2147483647"), 2147483647);
    EXPECT_EQ(StoredInteger("2147483648"), std::nullopt);
    EXPECT_EQ(StoredInteger(""), std::nullopt);
    EXPECT_EQ(StoredBoolean("FALSE"), false);
    EXPECT_EQ(StoredBoolean("1"), true);
    EXPECT_EQ(StoredBoolean(""), std::nullopt);
}

class StartupTest : public SettingsTest {
protected:
    FormValues form;
    test::FakeTimeZone zone{ZoneState{1, -60}};

    void start(const std::string& executable, std::vector<std::string> arguments = {}) {
        LoadContext context{menu,
                            globals,
                            store,
                            window,
                            window,
                            system,
                            zone,
                            form,
                            StartInfo{executable, std::move(arguments)},
                            ScreenSize{15360, 11040}};
        Form_Load(context);
    }
};

TEST_F(StartupTest, FirstRunWithEmptyStore) {
    system.appended.clear();
    start("/usr/bin/Pelmora");
    EXPECT_EQ(window.title, "Pelmora V2.5.1");
    EXPECT_TRUE(window.shown);
    EXPECT_FALSE(form.ConsumptionMode);
    EXPECT_EQ(window.text("Label8"), "Solar                  Grid                  Amps");
    EXPECT_EQ(window.text("IP"), "envoy.local");
    EXPECT_EQ(form.ZoneOffset, 3600);
    EXPECT_EQ(window.text("Zone"), "1");
    EXPECT_EQ(system.appended.size(), 5u);
}

struct NameRow {
    const char* name;
    const char* executable;
    bool consumption;
};
class ExecutableNameTest : public StartupTest, public ::testing::WithParamInterface<NameRow> {};

TEST_P(ExecutableNameTest, ChoosesTheSecondMeterReading) {
    start(GetParam().executable);
    EXPECT_EQ(form.ConsumptionMode, GetParam().consumption);
    EXPECT_EQ(window.text("Label8") == "Solar                 Consumption", GetParam().consumption);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExecutableNameTest,
                         ::testing::Values(NameRow{"plain", "Pelmora", false},
                                           NameRow{"consumption", "./PelmoraB", true},
                                           NameRow{"consumption_with_extension", "/opt/x/PelmoraB.exe", true},
                                           NameRow{"other_case", "/opt/x/pelmorab", false},
                                           NameRow{"longer_name", "PelmoraBB", false},
                                           NameRow{"folder_named_like_it", "/PelmoraB/Pelmora", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, ArgumentWithDotReplacesStoredAddress) {
    stored("Top", "0");
    stored("IP", "stored.address");
    start("Pelmora", {"192.168.1.20"});
    EXPECT_EQ(window.text("IP"), "192.168.1.20");
}

TEST_F(StartupTest, ArgumentWithoutDotIsIgnored) {
    stored("Top", "0");
    stored("IP", "stored.address");
    start("Pelmora", {"envoy", "x"});
    EXPECT_EQ(window.text("IP"), "stored.address");
}

TEST_F(StartupTest, ArgumentsAreJoinedByOneBlank) {
    start("Pelmora", {"10.0.0.1:80", "extra"});
    EXPECT_EQ(window.text("IP"), "10.0.0.1:80 extra");
}

TEST_F(StartupTest, ZoneBeyondRangeStartsInUtc) {
    zone = test::FakeTimeZone(ZoneState{1, std::numeric_limits<std::int32_t>::min()});
    start("Pelmora");
    EXPECT_EQ(form.ZoneOffset, 0);
    EXPECT_TRUE(window.shown);
}

class PollCycleTest : public ::testing::Test {
protected:
    test::FakeWindow window;
    test::FakeTimer timer;
    test::FixedRegionalFormat format;
    int reads = 0;
    std::function<void()> read_body = [] {};
    PollCycle poll{window, timer, timer, format, [this] {
                       ++reads;
                       read_body();
                   }};
};

TEST_F(PollCycleTest, TickReadsThenRecordsTimeThenPumps) {
    poll.Timer1_Timer();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(window.text("MyTime"), "10:11:12");
    EXPECT_EQ(timer.pumps, 1);
}

TEST_F(PollCycleTest, EscapedFailuresNeverEndPolling) {
    read_body = [] { throw Failure(13, "Type mismatch"); };
    poll.Timer1_Timer();
    poll.Timer1_Timer();
    read_body = [] { throw std::runtime_error("unexpected"); };
    poll.Timer1_Timer();
    EXPECT_EQ(poll.escaped_failures(), 3u);
    EXPECT_EQ(reads, 3);
    EXPECT_TRUE(timer.on);
    EXPECT_EQ(timer.pumps, 3);
}

TEST_F(PollCycleTest, TicksDueDuringATickLeaveOneWaiting) {
    read_body = [this] {
        poll.Timer1_Timer();
        poll.Timer1_Timer();
    };
    poll.Timer1_Timer();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(timer.restarts, 1);
    EXPECT_EQ(timer.posted, 1);
    read_body = [] {};
    poll.Timer1_Timer();
    EXPECT_EQ(timer.posted, 1) << "a tick without an overdue one posts nothing";
    read_body = [this] {
        poll.Timer1_Timer();
        poll.Stopbtn_Click();
    };
    poll.Timer1_Timer();
    EXPECT_EQ(timer.posted, 1) << "a Stop during the tick drops the waiting tick";
}

TEST_F(PollCycleTest, StartAndStop) {
    poll.Stopbtn_Click();
    EXPECT_FALSE(timer.on);
    poll.Stopbtn_Click();
    EXPECT_FALSE(timer.on);
    poll.Startbtn_Click();
    EXPECT_TRUE(timer.on);
    poll.Startbtn_Click();
    EXPECT_TRUE(timer.on);
    EXPECT_EQ(reads, 0);  // neither button reads
}

struct DelayRow {
    const char* name;
    const char* text;
    int interval;
    const char* shown;
};
class DelayTest : public PollCycleTest, public ::testing::WithParamInterface<DelayRow> {};

TEST_P(DelayTest, SetsIntervalOrKeepsIt) {
    timer.milliseconds = 1000;
    window.set_text("Delay", GetParam().text);
    poll.Delay_LostFocus();
    EXPECT_EQ(timer.milliseconds, GetParam().interval);
    EXPECT_EQ(window.text("Delay"), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DelayTest,
    ::testing::Values(DelayRow{"whole", "5000", 5000, "5000"}, DelayRow{"fraction_to_even", "2500.5", 2500, "2500.5"},
                      DelayRow{"grouped", "5,000", 5000, "5,000"}, DelayRow{"one", "1", 1, "1"},
                      DelayRow{"largest", "2147483647", 2147483647, "2147483647"}, DelayRow{"empty", "", 1000, "1000"},
                      DelayRow{"letters", "abc", 1000, "1000"}, DelayRow{"zero", "0", 1000, "1000"},
                      DelayRow{"rounds_to_zero", "0.5", 1000, "1000"}, DelayRow{"negative", "-5", 1000, "1000"},
                      DelayRow{"too_large", "2147483648", 1000, "1000"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlatformRow {
    const char* name;
    std::map<std::string, std::string> environment;
    std::optional<std::string> chosen;
};
class PlatformChoiceTest : public ::testing::TestWithParam<PlatformRow> {};

TEST_P(PlatformChoiceTest, XcbOnlyInAWaylandSessionWithXWaylandAndNoChoiceMade) {
    const auto& environment = GetParam().environment;
    const auto chosen = ChosenQtPlatform([&](const char* name) -> const char* {
        const auto it = environment.find(name);
        return it == environment.end() ? nullptr : it->second.c_str();
    });
    EXPECT_EQ(chosen, GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlatformChoiceTest,
    ::testing::Values(
        PlatformRow{"wayland_with_xwayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, "xcb"},
        PlatformRow{"empty_choice_counts_as_none",
                    {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}},
                    "xcb"},
        PlatformRow{"user_choice_kept",
                    {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
                    std::nullopt},
        PlatformRow{"wayland_without_xwayland", {{"WAYLAND_DISPLAY", "wayland-0"}}, std::nullopt},
        PlatformRow{"x11_session", {{"DISPLAY", ":0"}}, std::nullopt}, PlatformRow{"no_display", {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora
