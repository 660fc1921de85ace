// The native Windows window under Wine with a display (tools/windows.sh), driven by
// messages: a tick reads a scripted gateway, the window menu's commands and
// the double-clicks resize it, and closing saves the settings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/memory_file_system.h"
#include "fakes/memory_settings_store.h"
#include "read_fakes.h"
#include "test_support.h"
#include "win32/win32_regional_format.h"
#include "win32/win32_time_zone.h"
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

    explicit Window(const char* executable = "C:/Pelmora/Pelmora.exe")
        : form(FormServices{request, ticks, format, files, zone, settings, about},
               StartInfo{executable, {"envoy.local"}}) {
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

TEST(Win32Window, TheSecondNameReadsTheSecondMeterAsConsumption) {
    Window w("C:/Pelmora/PelmoraB.exe");
    w.form.set_enabled(false);
    SendMessageW(w.window(), WM_TIMER, 1, 0);
    EXPECT_EQ(w.form.text("Consumption"), "-3,339.0") << "the second meter as consumption";
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

TEST(Win32Window, ClosingSavesTheSettings) {
    Window w;
    w.form.set_text("IP", "192.168.1.20");
    SendMessageW(w.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(w.settings.GetSetting(kSettingsApp, kSettingsSection, "IP", ""), "192.168.1.20");
    EXPECT_NE(w.settings.GetSetting(kSettingsApp, kSettingsSection, "Top", ""), "");
}

}  // namespace
}  // namespace pelmora
