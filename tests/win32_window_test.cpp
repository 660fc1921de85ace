// The native Windows window under Wine with a display (tools/windows.sh), driven by
// messages: a tick reads a scripted gateway, the window menu's commands and
// the double-clicks resize it, About shows its box, closing saves the
// settings and the next start restores them; the built programs carry their
// version and icon.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "access/access_request.h"
#include "access/pinned_key.h"
#include "access/token_keeper.h"
#include "access/token_request.h"
#include "fakes.h"
#include "fakes/fixed_wall_clock.h"
#include "fakes/memory_file_system.h"
#include "fakes/memory_settings_store.h"
#include "read_fakes.h"
#include "test_support.h"
#include "win32/win32_regional_format.h"
#include "win32/win32_time_zone.h"
#include "win32/utf16.h"
#include "history/day_file.h"
#include "site/site_stage.h"
#include "token_support.h"
#include "win32/credential_secret_store.h"
#include "win32/win32_calendar.h"
#include "win32/win32_file_system.h"
#include "win32/notification_icon.h"
#include "win32/owner_file_secret_store.h"
#include "win32/win32_message_box.h"
#include "win32/winhttp_request.h"
#include "windows/gateway_page.h"
#include "windows/history_window.h"
#include "windows/options_dialog.h"
#include "windows/program_start.h"
#include "windows/single_instance.h"
#include "windows/site_window.h"
#include "app/window_controller.h"
#include "windows/pelmora_form.h"

// clang-format off
#include <windows.h>
// clang-format on

namespace pelmora {
namespace {

struct Window {
    test::ScriptedRequest request{{test::ReadFixture("readings.json")}};
    test::SteppingTicks ticks;
    Win32RegionalFormat format;
    MemoryFileSystem files;
    Win32TimeZone zone;
    MemorySettingsStore settings;
    Win32MessageBox about;
    Pelmorafrm form;

    explicit Window(const char* executable = "C:/Pelmora/Pelmora.exe", MemorySettingsStore saved = {})
        : settings(std::move(saved)),
          form(ShellServices{request, ticks, format, files, zone, settings, about},
               StartInfo{executable, {"envoy.local"}}) {
        about.set_owner(form.handle());
        form.Form_Load();
    }
    HWND window() const { return reinterpret_cast<HWND>(form.handle()); }
    void command(WPARAM id) { SendMessageW(window(), WM_SYSCOMMAND, id, 0); }
};

TEST(Win32Window, ATickShowsTheGatewaysFiguresInTheirColours) {
    Window w;
    w.form.set_enabled(false);
    SendMessageW(w.window(), WM_TIMER, 1, 0);
    // readings.json: production 3785.0 W, the net meter -3339.0 W (export).
    EXPECT_EQ(w.form.text("Production"), "3,785.0");
    EXPECT_EQ(w.form.text("Grid"), "3,339.0");
    EXPECT_EQ(w.form.back_color("Grid"), kExportGreen);
    EXPECT_EQ(w.request.urls.front(), "http://envoy.local/ivp/meters/readings");
}

// Each control answers its own notification: Stop and Start through their
// buttons, a typed delay when the box loses the focus.
TEST(Win32Window, TheButtonsAndTheDelayAnswerThemselves) {
    Window w;
    const auto notify = [&w](const char* name, WORD code) {
        const HWND control = reinterpret_cast<HWND>(w.form.control(name));
        SendMessageW(w.window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                     reinterpret_cast<LPARAM>(control));
    };
    notify("Stopbtn", BN_CLICKED);
    EXPECT_FALSE(w.form.enabled());
    wchar_t title[128] = {};
    GetWindowTextW(w.window(), title, 128);
    EXPECT_TRUE(std::wstring(title).ends_with(L" - stopped")) << Utf8(title);
    notify("Startbtn", BN_CLICKED);
    EXPECT_TRUE(w.form.enabled());
    w.form.set_text("Delay", "250");
    notify("Delay", EN_CHANGE);
    EXPECT_EQ(w.form.interval(), 1000) << "only losing the focus applies it";
    notify("Delay", EN_KILLFOCUS);
    EXPECT_EQ(w.form.interval(), 250);
}

TEST(Win32Window, TheSecondNameReadsTheSecondMeterAsConsumption) {
    // Typed in a command window in another case, it is the same program.
    const ProgramStart typed = ProgramStartOf(L"C:\\Pelmora\\pelmorab.EXE", L"pelmorab --tray 192.168.1.20");
    EXPECT_EQ(typed.start.executable, "C:/Pelmora/PelmoraB.EXE");
    EXPECT_EQ(typed.start.arguments, std::vector<std::string>{"192.168.1.20"});
    EXPECT_TRUE(typed.tray);
    for (const std::string& executable : {std::string("C:/Pelmora/PelmoraB.exe"), typed.start.executable}) {
        Window w(executable.c_str());
        w.form.set_enabled(false);
        SendMessageW(w.window(), WM_TIMER, 1, 0);
        EXPECT_EQ(w.form.text("Consumption"), "-3,339.0") << executable;
    }
}

TEST(Win32Window, TheMenuAndTheDoubleClicksResizeTheWindow) {
    Window w;
    HMENU menu = GetSystemMenu(w.window(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 5);
    EXPECT_NE(GetMenuState(menu, static_cast<UINT>(count - 5), MF_BYPOSITION) & MF_SEPARATOR, 0u);
    for (const UINT id : {1010u, 1011u, 1013u, 1015u})
        EXPECT_NE(GetMenuState(menu, id, MF_BYCOMMAND), 0xFFFFFFFFu) << id;

    const auto about = [](int twips, int expected) { return std::abs(twips - expected) <= 15; };
    w.command(1013);
    EXPECT_TRUE(about(w.form.Height(), kTallHeight)) << w.form.Height();
    w.command(1013);
    EXPECT_TRUE(about(w.form.Height(), kShortHeight)) << w.form.Height();
    w.command(1011);
    const int first = w.form.Width();
    w.command(1011);
    EXPECT_TRUE(about(first, kNarrowWidth) != about(w.form.Width(), kNarrowWidth)) << first << " " << w.form.Width();
    HWND ip = reinterpret_cast<HWND>(w.form.control("IP"));
    ASSERT_NE(ip, nullptr);
    SendMessageW(ip, WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_TRUE(about(w.form.Width(), kAddressWidth)) << w.form.Width();
    SendMessageW(reinterpret_cast<HWND>(w.form.control("Grid")), WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_TRUE(about(w.form.Height(), kTallHeight)) << w.form.Height();
    // Without a window manager Wine keeps the top-most state to itself: the
    // command shows in what closing saves.
    w.command(1010);
    SendMessageW(w.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(w.settings.GetSetting(kSettingsApp, kSettingsSection, "OnTop", ""), "True");
}

TEST(Win32Window, TheNextStartRestoresWhatClosingSaved) {
    MemorySettingsStore saved;
    {
        Window first;
        first.form.set_text("IP", "192.168.1.20");
        first.form.set_value("CreateOutputchk", 1);
        first.form.SetLeft(1500);
        first.form.SetTop(900);
        SendMessageW(first.window(), WM_CLOSE, 0, 0);
        saved = first.settings;
    }
    EXPECT_EQ(saved.GetSetting(kSettingsApp, kSettingsSection, "IP", ""), "192.168.1.20");
    Window next("C:/Pelmora/Pelmora.exe", saved);
    EXPECT_EQ(next.form.value("CreateOutputchk"), 1);
    // One pixel is 15 twips at 96 dpi.
    EXPECT_NEAR(next.form.Left(), 1500, 15);
    EXPECT_NEAR(next.form.Top(), 900, 15);
    EXPECT_EQ(next.form.text("IP"), "envoy.local") << "the command line's address wins over the saved one";
}

// A start with Windows runs in the system folder: the program works in its own.
TEST(Win32Window, AStartInTheSystemFolderWorksInTheProgramsOwn) {
    const std::vector<std::wstring> systems{L"C:\\Windows\\system32", L"C:\\Windows"};
    const std::wstring program = L"C:\\Users\\Zo\u00EB\\AppData\\Local\\Programs\\Pelmora\\Pelmora.exe";
    EXPECT_EQ(WorkingFolder(L"C:\\WINDOWS\\System32\\", systems, program),
              L"C:\\Users\\Zo\u00EB\\AppData\\Local\\Programs\\Pelmora");
    EXPECT_EQ(WorkingFolder(L"c:\\windows", systems, program),
              L"C:\\Users\\Zo\u00EB\\AppData\\Local\\Programs\\Pelmora");
    EXPECT_EQ(WorkingFolder(L"D:\\Meters", systems, program), L"D:\\Meters") << "where the user started it";
    EXPECT_EQ(WorkingFolder(L"C:\\Windows\\system32\\drivers", systems, program), L"C:\\Windows\\system32\\drivers");
    EXPECT_EQ(WorkingFolder(L"C:\\Windows", systems, L"D:\\Pelmora.exe"), L"D:\\");
}

// A place on a monitor removed since, or a hand-edited Left: the title bar
// comes back onto the work area.
TEST(Win32Window, ARestoredPlaceOffTheScreenComesBackWithinReach) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    for (const char* left : {"13500000", "-90000"}) {
        MemorySettingsStore saved;
        for (const auto& [key, value] : {std::pair<const char*, const char*>{"Left", left},
                                         {"Top", "13500000"},
                                         {"Height", "3560"},
                                         {"Width", "8670"}})
            saved.SaveSetting(kSettingsApp, kSettingsSection, key, value);
        Window w("C:/Pelmora/Pelmora.exe", saved);
        RECT frame{};
        GetWindowRect(w.window(), &frame);
        EXPECT_LE(frame.left, area.right - 99) << left;
        EXPECT_GE(frame.right, area.left + 99) << left;
        EXPECT_GE(frame.top, area.top) << left;
        EXPECT_LT(frame.top, area.bottom) << left;
    }
}

// What the About box showed, read on the window's own thread by a timer that
// the box's modal loop runs; the box is closed with OK once its text is there.
// A gateway with a meter list: the readings, and the list at /ivp/meters.
struct SiteGatewayRequest : GatewayRequest {
    std::string launch(const std::string& url) override {
        return url.ends_with("/ivp/meters") ? test::ReadFixture("site/fw-8.2.4286-battery-meters.json")
                                            : test::ReadFixture("site/fw-8.2.4286-battery.json");
    }
};

// A battery site adds the Battery row under Grid with the house load beside
// it; what is below moves down a row, and the frame's height leaves it out.
TEST(Win32Window, ABatterySiteShowsItsBatteryRow) {
    SiteGatewayRequest request;
    FixedWallClock clock(1796688000);
    SiteStage site(request, clock, {});
    test::SteppingTicks ticks;
    Win32RegionalFormat format;
    MemoryFileSystem files;
    Win32TimeZone zone;
    MemorySettingsStore settings;
    Win32MessageBox about;
    Pelmorafrm form(
        ShellServices{request, ticks, format, files, zone, settings, about, nullptr, nullptr, nullptr, {&site}, &site},
        StartInfo{"C:/Pelmora/Pelmora.exe", {"192.168.1.21"}});
    form.Form_Load();
    form.set_enabled(false);
    const auto top = [&form](const char* name) {
        RECT r{};
        GetWindowRect(reinterpret_cast<HWND>(form.control(name)), &r);
        return r.top;
    };
    const LONG g1_top = top("G1");
    const int height = form.Height();
    // The first read asks for the list; the read after it has the site.
    SendMessageW(reinterpret_cast<HWND>(form.handle()), WM_TIMER, 1, 0);
    SendMessageW(reinterpret_cast<HWND>(form.handle()), WM_TIMER, 1, 0);
    ASSERT_TRUE(site.meters());
    ASSERT_NE(form.control("Battery"), 0u);
    EXPECT_TRUE(IsWindowVisible(reinterpret_cast<HWND>(form.control("Battery"))));
    EXPECT_EQ(form.text("Battery"), "-7,083.7");
    EXPECT_EQ(form.back_color("Battery"), 0x00FFE0A0u) << "light blue: charging";
    EXPECT_EQ(form.text("HouseLoad"), "1,796.9");
    EXPECT_EQ(form.text("Consumption"), "8,880.5") << "Consumption keeps its meaning";
    EXPECT_EQ(form.text("G3"), "") << "a split-phase site has no phase 3";
    EXPECT_EQ(top("G1") - g1_top, MulDiv(kSiteRowHeight, 96, 1440)) << "the phase band moves down one row";
    EXPECT_NEAR(form.Height(), height, 15) << "the frame's height leaves the row out";
}

// The simulator's sites (tests/with_simulator.sh --site NAME), read over
// WinHTTP: the Battery row shows where the meter list has a storage meter
// (PELMORA_EXPECT_BATTERY), with a house load; a site of production and
// total consumption alone is shown as a read by position.
TEST(Win32Site, TheSimulatorsSiteShowsAsItsMeterListSays) {
    const char* address = std::getenv("PELMORA_GATEWAY_ADDRESS");
    const char* battery = std::getenv("PELMORA_EXPECT_BATTERY");
    if (address == nullptr || battery == nullptr)
        GTEST_SKIP() << "no simulator: run it through tests/with_simulator.sh";
    WinHttpGatewayRequest request;
    Win32WallClock clock;
    SiteStage site(request, clock, {});
    test::SteppingTicks ticks;
    Win32RegionalFormat format;
    MemoryFileSystem files;
    Win32TimeZone zone;
    MemorySettingsStore settings;
    Win32MessageBox about;
    Pelmorafrm form(
        ShellServices{request, ticks, format, files, zone, settings, about, nullptr, nullptr, nullptr, {&site}, &site},
        StartInfo{"C:/Pelmora/Pelmora.exe", {address}});
    form.Form_Load();
    form.set_enabled(false);
    for (int tick = 0; tick < 2; ++tick) SendMessageW(reinterpret_cast<HWND>(form.handle()), WM_TIMER, 1, 0);
    ASSERT_TRUE(site.meters()) << "the meter list was read";
    const bool shown = form.control("Battery") != 0 && IsWindowVisible(reinterpret_cast<HWND>(form.control("Battery")));
    EXPECT_EQ(shown, std::string(battery) == "1");
    EXPECT_NE(form.text("Consumption"), "0");
    if (shown) {
        std::string load = form.text("HouseLoad");
        std::erase(load, ',');
        EXPECT_GT(std::stod(load), 200.0) << "the simulated base load, whatever the battery does";
    }
}

// What the Gateway page showed after a pasted token was saved.
struct GatewayPageSeen {
    HWND dialog = nullptr;
    std::string pasted;
    std::string message;
    std::string facts;
    int ticks = 0;
};
GatewayPageSeen g_page;

BOOL CALLBACK KeepIfOptions(HWND window, LPARAM) {
    wchar_t title[32] = {};
    GetWindowTextW(window, title, 32);
    if (Utf8(title) != OptionsDialog::kTitle) return TRUE;
    g_page.dialog = window;
    return FALSE;
}

std::string item_text(HWND dialog, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return Utf8(text);
}

// Pastes the token, presses Save, and once the page says where it went, Close.
void CALLBACK DriveGatewayPage(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_page.dialog == nullptr) EnumThreadWindows(GetCurrentThreadId(), KeepIfOptions, 0);
    if (g_page.dialog == nullptr && ++g_page.ticks < 400) return;
    if (g_page.dialog == nullptr) {
        KillTimer(nullptr, timer);
        return;
    }
    HWND dialog = g_page.dialog;
    if (item_text(dialog, GatewayPage::kToken).empty() && g_page.message.empty()) {
        SetDlgItemTextW(dialog, GatewayPage::kToken, Utf16("  " + g_page.pasted + "\r\n").c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GatewayPage::kSave, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, GatewayPage::kSave)));
        return;
    }
    g_page.message = item_text(dialog, GatewayPage::kMessage);
    if (g_page.message.rfind("Saved", 0) != 0 && ++g_page.ticks < 400) return;
    KillTimer(nullptr, timer);
    g_page.facts = item_text(dialog, GatewayPage::kFacts);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GatewayPage::kClose, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, GatewayPage::kClose)));
}

// Options... opens the Gateway page; a pasted token saved there goes to the
// Credential Manager and is the token the reads use.
TEST(Win32Window, TheGatewayPageSavesAPastedToken) {
    const std::int64_t now = 1796688000;
    FixedWallClock clock(now);
    CredentialSecretStore keychain("PelmoraTest" + std::to_string(GetCurrentProcessId()));
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    OwnerFileSecretStore file(Utf8(temp) + "PelmoraTest" + std::to_string(GetCurrentProcessId()) + "\\token");
    MemorySettingsStore settings;
    TokenKeeper keeper(keychain, file, settings, "Pelmora");
    test::FakeHttpsTransport https;
    MemoryPinStore pins;
    TokenGatewayRequest token_request(https, pins, clock);
    test::ScriptedRequest plain{{test::ReadFixture("readings.json")}};
    AccessRequest request(plain, token_request, keeper);
    AccessServices access{keeper, token_request, clock};
    test::SteppingTicks ticks;
    Win32RegionalFormat format;
    MemoryFileSystem files;
    Win32TimeZone zone;
    Win32MessageBox about;
    Pelmorafrm form(ShellServices{request, ticks, format, files, zone, settings, about, &access},
                    StartInfo{"C:/Pelmora/Pelmora.exe", {"envoy.local"}});
    form.Form_Load();
    form.set_enabled(false);
    ASSERT_NE(GetMenuState(GetSystemMenu(reinterpret_cast<HWND>(form.handle()), FALSE), kOptionsCommand, MF_BYCOMMAND),
              0xFFFFFFFFu);

    g_page = {};
    g_page.pasted = test::OwnerToken(now + 30 * 86400);
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SetTimer(nullptr, 0, 50, DriveGatewayPage);
    SendMessageW(reinterpret_cast<HWND>(form.handle()), WM_SYSCOMMAND, kOptionsCommand, 0);

    ASSERT_NE(g_page.dialog, nullptr) << "no Options dialog";
    EXPECT_FALSE(IsWindow(g_page.dialog)) << "Close ends the dialog";
    EXPECT_EQ(g_page.message, "Saved in the desktop's secret store (" + keychain.Where() + ").");
    EXPECT_NE(g_page.facts.find("Current token: Expires 2027-01-07 00:00 UTC (30 days left)"), std::string::npos)
        << g_page.facts;
    EXPECT_EQ(keeper.Token(), g_page.pasted) << "blanks around the paste removed";
    keeper.Remove();
}

// The notification-area icon as the shell is asked: the tooltip follows
// the reads, an alert while the icon is off shows it for its balloon and
// takes it away again, and the menu names what the window is doing.
TEST(Win32Tray, TheIconsTooltipBalloonsAndMenu) {
    bool shown = true;
    bool polling = false;
    // Outlives the icon, which still tells of its removal when it goes.
    std::vector<ShellIconCall> calls;
    NotificationIcon icon(
        TrayActions{[] {}, [&shown] { return shown; }, [&polling] { return polling; }, [] {}, {}, [] {}, [] {}});
    icon.watch_calls([&calls](const ShellIconCall& call) { calls.push_back(call); });
    using Action = ShellIconCall::Action;

    icon.Notify("Pelmora: gateway unreachable", "No answer from envoy.local for 5 minutes");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].action, Action::Add) << "an icon for the balloon's sake";
    EXPECT_EQ(calls[1].action, Action::Modify);
    EXPECT_EQ(calls[1].info_title, "Pelmora: gateway unreachable");
    EXPECT_EQ(calls[1].info_text, "No answer from envoy.local for 5 minutes");
    icon.Message(WM_TIMER, 1, 0);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].action, Action::Delete) << "and gone once the balloon was seen";

    calls.clear();
    icon.set_visible(true);
    icon.set_tooltip("Pelmora\nProduction 3,785.0 W");
    icon.set_tooltip("Pelmora\nProduction 3,785.0 W");
    icon.set_colour(kExportGreen);
    icon.Notify("Pelmora: back", "");
    icon.Message(WM_TIMER, 1, 0);
    ASSERT_EQ(calls.size(), 4u) << "the same tooltip again asks nothing, the tray's icon stays";
    EXPECT_EQ(calls[0].action, Action::Add);
    EXPECT_EQ(calls[1].tooltip, "Pelmora\nProduction 3,785.0 W");
    EXPECT_EQ(calls[2].action, Action::Modify) << "the colour";
    EXPECT_EQ(calls[3].info_title, "Pelmora: back");
    EXPECT_EQ(icon.MenuItems(), (std::vector<std::string>{"Hide", "Start", "Options...", "Quit"}));
    shown = false;
    polling = true;
    EXPECT_EQ(icon.MenuItems(), (std::vector<std::string>{"Show", "Stop", "Options...", "Quit"}));
}

// The program's own wiring of the icon's menu, before and after the window is made.
TEST(Win32Tray, TheProgramsMenuHoldsHistory) {
    WindowController* made = nullptr;
    NotificationIcon icon(MainWindowTrayActions(made));
    EXPECT_EQ(icon.MenuItems(), (std::vector<std::string>{"Show", "Start", "History...", "Options...", "Quit"}));
    Window w;
    made = &w.form.controller();
    w.form.set_enabled(true);
    EXPECT_EQ(icon.MenuItems()[1], "Stop");
    MainWindowTrayActions(made).start_or_stop();
    EXPECT_FALSE(w.form.enabled()) << "Stop stops the window's polling";
}

// A second start of the same program finds the first, which shows its window.
TEST(Win32Tray, ASecondStartShowsTheFirst) {
    SingleInstance first("PelmoraTest" + std::to_string(GetCurrentProcessId()));
    ASSERT_TRUE(first.first());
    int asked = 0;
    first.Listen([&asked] { ++asked; });
    SingleInstance second("PelmoraTest" + std::to_string(GetCurrentProcessId()));
    EXPECT_FALSE(second.first());
    EXPECT_TRUE(second.ShowFirst(1000));
    EXPECT_EQ(asked, 1);
    // A first start whose window does not answer (its thread busy): the wait ends on time.
    const std::string busy_name = "PelmoraBusy" + std::to_string(GetCurrentProcessId());
    HANDLE listening = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread busy([&] {
        SingleInstance held(busy_name);
        held.Listen([] {});
        SetEvent(listening);
        Sleep(4000);
    });
    WaitForSingleObject(listening, 5000);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(SingleInstance(busy_name).ShowFirst(1000));
    EXPECT_LT(GetTickCount64() - start, 3000u) << "each try waited its own 2 s";
    busy.join();
    CloseHandle(listening);
    SingleInstance typed("pelmoratest" + std::to_string(GetCurrentProcessId()));
    EXPECT_FALSE(typed.first()) << "Windows names ignore case";
    SingleInstance other("PelmoraTestB" + std::to_string(GetCurrentProcessId()));
    EXPECT_TRUE(other.first()) << "another name is another program";
}

// Three minutes of reads kept in a day file on disk, read back by the next
// start's history, shown and saved by the history window, which keeps its
// range when closed.
TEST(Win32History, TheWindowShowsADayFileAndSavesItAsCsvAndPng) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string folder = Utf8(temp) + "PelmoraHistory" + std::to_string(GetCurrentProcessId());
    Win32FileSystem files;
    Win32Calendar calendar;
    FixedWallClock clock(1796688000 + 86400);
    const std::int64_t ten = 1796688000 + 10 * 3600;  // 2026-12-08T10:00:00Z, in the UTC the test runs in
    {
        History history(files, calendar, clock, folder);
        for (std::int64_t t = 0; t <= 180; ++t) history.Add({ten + t, 6000.0, 2000.0, -4000.0});
        history.Flush();
    }
    History history(files, calendar, clock, folder);
    ASSERT_EQ(history.Days(), std::vector<std::string>{"2026-12-08"}) << "the day file reloaded";
    MemorySettingsStore settings;
    HistoryWindow window(history, settings, calendar);
    window.ShowRange("2026-12-08");
    ASSERT_EQ(window.range(), "2026-12-08");
    wchar_t totals[512] = {};
    GetDlgItemTextW(reinterpret_cast<HWND>(window.handle()), HistoryWindow::kTotals, totals, 512);
    const std::string shown = Utf8(totals);
    EXPECT_NE(shown.find("Produced 0.3 kWh"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Exported 0.2 kWh"), std::string::npos) << shown;

    // Resting the mouse on the chart tells the nearest minute's figures, or a month's day.
    RECT client{};
    GetClientRect(reinterpret_cast<HWND>(window.handle()), &client);
    const int left = 56;
    const int width = client.right - 16 - left;
    const int y = 100 + 60;
    const std::string tip = window.TipAt(left + width * (10 * 60 + 1) / (24 * 60), y);
    EXPECT_EQ(tip.substr(0, 6), "10:01:") << tip;
    EXPECT_NE(tip.find("\nProduction 6000.0 W\nConsumption 2000.0 W\nGrid -4000.0 W"), std::string::npos) << tip;
    EXPECT_EQ(window.TipAt(left - 20, y), "") << "outside the plot";
    window.ShowRange("2026-12");
    EXPECT_EQ(window.TipAt(left + width * 15 / 2 / 31, y).substr(0, 11), "2026-12-08 ");
    EXPECT_EQ(window.TipAt(left + width * 21 / 2 / 31, y), "") << "a day without a file";
    window.ShowRange("2026");
    ASSERT_EQ(window.range(), "2026") << "the year is on offer";
    EXPECT_EQ(window.TipAt(left + width * 23 / 2 / 12, y).substr(0, 14), "December 2026\n");
    EXPECT_EQ(window.TipAt(left + width * 19 / 2 / 12, y), "") << "a month without days";
    window.ShowRange("2026-12-08");

    const std::string csv = folder + "\\day.csv";
    ASSERT_TRUE(window.SaveCsv(csv));
    const std::string saved = files.read_file(csv).value_or("");
    EXPECT_EQ(saved.substr(0, saved.find('\n')), kDayFileHeader);
    EXPECT_NE(saved.find("2026-12-08T10:02:00+00:00,6000.0,2000.0,-4000.0,60"), std::string::npos) << saved;
    const std::string png = folder + "\\day.png";
    ASSERT_TRUE(window.SavePng(png));
    const std::string image = files.read_file(png).value_or("");
    ASSERT_GT(image.size(), 24u);
    EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_GE((static_cast<unsigned char>(image[18]) << 8) | static_cast<unsigned char>(image[19]), 320)
        << "as wide as the chart";

    SendMessageW(reinterpret_cast<HWND>(window.handle()), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(window.handle())));
    EXPECT_EQ(settings.GetSetting(kSettingsApp, "History", "Range", ""), "2026-12-08");
    for (const std::string& name : files.list_folder(folder)) files.remove_file(folder + "\\" + name);
    RemoveDirectoryW(Utf16(folder).c_str());
}

// The Site window paints a tile per panel, a silent one in its own colour,
// scrolls by the keys over content taller than itself, and Escape hides it
// and keeps its place.
TEST(Win32Site, TheSiteWindowPaintsItsTilesAndScrolls) {
    MemorySettingsStore settings;
    settings.SaveSetting(kSettingsApp, kSiteSection, "Width", "420");
    settings.SaveSetting(kSettingsApp, kSiteSection, "Height", "300");
    SiteWindow window(settings);
    SiteWindowView content{{{"Panels", {"Inverters: 40, 39 reporting, 6,000 W"}}, {"Gateway", {"Serial 1"}}}, {}};
    for (int i = 0; i < 40; ++i)
        content.panels.push_back(
            {"2023300575" + std::to_string(10 + i), "150 W", "largest 300 W", "12:00", 0.5, i == 0});
    window.Open(content);
    HWND hwnd = reinterpret_cast<HWND>(window.handle());
    UpdateWindow(hwnd);
    const auto silent_pixels = [&] {
        HDC dc = GetDC(hwnd);
        int count = 0;
        for (int y = 0; y < 200; y += 2) {
            for (int x = 0; x < 200; x += 2) count += GetPixel(dc, x, y) == RGB(255, 225, 225) ? 1 : 0;
        }
        ReleaseDC(hwnd, dc);
        return count;
    };
    EXPECT_GT(silent_pixels(), 100) << "the silent panel's tile";
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(hwnd, SB_VERT, &info);
    EXPECT_GT(info.nMax + 1, static_cast<int>(info.nPage)) << "taller than the window";
    SendMessageW(hwnd, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), info.nMax + 1 - static_cast<int>(info.nPage));
    UpdateWindow(hwnd);
    EXPECT_EQ(silent_pixels(), 0) << "scrolled out of sight";
    SendMessageW(hwnd, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), 0);
    SendMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(settings.GetSetting(kSettingsApp, kSiteSection, "Width", ""), "420");
}

struct AboutBoxSeen {
    HWND owner = nullptr;
    HWND box = nullptr;
    std::wstring text;
    int ticks = 0;
};
AboutBoxSeen g_seen;

BOOL CALLBACK KeepIfAbout(HWND window, LPARAM) {
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    if (std::wstring_view(title) != L"About") return TRUE;
    g_seen.box = window;
    return FALSE;
}

void CALLBACK LookForAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), KeepIfAbout, 0);
    wchar_t text[512] = {};
    if (g_seen.box != nullptr) GetDlgItemTextW(g_seen.box, 0xFFFF, text, 512);
    // Within 20 s: a window without a window manager takes Wine seconds.
    if (text[0] == L'\0' && ++g_seen.ticks < 400) return;
    KillTimer(nullptr, timer);
    g_seen.text = text;
    if (g_seen.box != nullptr) {
        g_seen.owner = GetWindow(g_seen.box, GW_OWNER);
        PostMessageW(g_seen.box, WM_COMMAND, IDOK, 0);
    }
}

TEST(Win32Window, AboutShowsItsBoxOwnedByTheWindowWithTheNotesBesideTheProgram) {
    Window w("C:/Users/Zo\u00eb/Pelmora/Pelmora.exe");
    g_seen = {};
    // The windows closed before this one left their WM_QUIT, which would end the box's loop at once.
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SetTimer(nullptr, 0, 50, LookForAbout);
    w.command(kAboutCommand);
    EXPECT_EQ(g_seen.text,
              L"Pelmora, Display Envoy info realtime.\r\nThe Pelmora developers, "
              L"file:///C:/Users/Zo%C3%AB/Pelmora/use.txt");
    EXPECT_EQ(g_seen.owner, w.window());
}

// What Explorer shows of a built program: its version, description and icon.
struct BuiltProgram {
    const char* row;
    const wchar_t* file;
};

class WindowsProgram : public testing::TestWithParam<BuiltProgram> {};

std::wstring VersionText(const std::vector<char>& block, const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT size = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &size)) return L"";
    return text;
}

TEST_P(WindowsProgram, CarriesItsVersionDescriptionAndIcon) {
    const std::wstring file = Utf16(PELMORA_PROGRAMS) + L"\\" + GetParam().file;
    std::vector<char> block(GetFileVersionInfoSizeW(file.c_str(), nullptr));
    ASSERT_FALSE(block.empty()) << "no version resource";
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, (2u << 16) | 5u);
    EXPECT_EQ(fixed->dwFileVersionLS, (0u << 16) | 1u);
    EXPECT_EQ(VersionText(block, L"FileVersion"), L"2.5.0.1");
    EXPECT_EQ(VersionText(block, L"FileDescription"), L"Show Envoy CT information realtime");
    HMODULE program = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(LoadImageW(program, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0), nullptr) << "no icon 1";
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no manifest";
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(program, found))),
                               SizeofResource(program, found));
    EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10 not named";
    FreeLibrary(program);
}

INSTANTIATE_TEST_SUITE_P(Built, WindowsProgram,
                         testing::Values(BuiltProgram{"Pelmora", L"Pelmora.exe"},
                                         BuiltProgram{"PelmoraB", L"PelmoraB.exe"}),
                         [](const auto& info) { return std::string(info.param.row); });

}  // namespace
}  // namespace pelmora
