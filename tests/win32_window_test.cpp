// The native Windows window under Wine with a display (tools/windows.sh), driven by
// messages: a tick reads a scripted gateway, the window menu's commands and
// the double-clicks resize it, About shows its box, closing saves the
// settings and the next start restores them; the built programs carry their
// version and icon.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/memory_file_system.h"
#include "fakes/memory_settings_store.h"
#include "read_fakes.h"
#include "test_support.h"
#include "win32/win32_regional_format.h"
#include "win32/win32_time_zone.h"
#include "win32/utf16.h"
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
          form(FormServices{request, ticks, format, files, zone, settings, about},
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

// What the About box showed, read on the window's own thread by a timer that
// the box's modal loop runs; the box is closed with OK once its text is there.
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
    FreeLibrary(program);
}

INSTANTIATE_TEST_SUITE_P(Built, WindowsProgram,
                         testing::Values(BuiltProgram{"Pelmora", L"Pelmora.exe"},
                                         BuiltProgram{"PelmoraB", L"PelmoraB.exe"}),
                         [](const auto& info) { return std::string(info.param.row); });

}  // namespace
}  // namespace pelmora
