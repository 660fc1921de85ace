#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/controls_view.h"
#include "platform/message_box.h"
#include "platform/window_frame.h"
#include "platform/window_system.h"

namespace pelmora {

// The shell's globals: whether the window is meant to stay on top, and the
// window procedure that was in place before the menu's own.
struct ShellGlobals {
    bool OnTopFlag = false;
    WndProc PrevWndProc;
};

inline constexpr std::uintptr_t kStayOnTopCommand = 1010;
inline constexpr std::uintptr_t kShowSettingsCommand = 1011;
inline constexpr std::uintptr_t kShowPhasesCommand = 1013;
inline constexpr std::uintptr_t kAboutCommand = 1015;
inline constexpr std::uintptr_t kOptionsCommand = 1016;
inline constexpr std::uintptr_t kHistoryCommand = 1017;
inline constexpr std::uintptr_t kSiteCommand = 1018;

inline constexpr int kNarrowWidth = 4620;   // settings column cut off; the settings toggle's threshold
inline constexpr int kFullWidth = 8670;     // settings column shown
inline constexpr int kAddressWidth = 4575;  // set by a double-click on the address
inline constexpr int kShortHeight = 2160;   // phase band cut off
inline constexpr int kTallHeight = 3560;    // phase band shown
inline constexpr int kHeightThreshold = 2500;

inline constexpr const char* kAboutTitle = "About";
inline constexpr const char* kAboutLine = "Pelmora, Display Envoy info realtime.";
inline constexpr const char* kAboutCredit = "The Pelmora developers, ";
inline constexpr const char* kAboutText =
    "Pelmora, Display Envoy info realtime.\r\nThe Pelmora developers, file:///usr/share/doc/pelmora/";

// The About text with the credit line pointing at `address`, the program's
// notes where this platform keeps them.
std::string AboutTextAt(std::string_view address);

// The window menu's four commands and the control reactions that resize the
// window.
class Menu {
public:
    Menu(WindowSystem& system, WindowFrame& frame, ControlsView& view, MessageBox& about, ShellGlobals& globals);

    // Appends a separator and the four items (1010, 1011, 1013, 1015) to the
    // window's menu and installs WindowProc in front of the window procedure.
    void AddMenuItems(const std::string& text1, const std::string& text2, const std::string& text3,
                      const std::string& text4);

    // Carries out WM_SYSCOMMAND with one of the four identifiers exactly and
    // returns 0; every other message goes to the previous procedure.
    std::intptr_t WindowProc(Hwnd window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);

    // Appends "Options..." (1016) after the four items; choosing it runs `open`.
    void AddOptionsItem(const std::string& text, std::function<void()> open);
    // Appends "History..." (1017) after them; choosing it runs `open`.
    void AddHistoryItem(const std::string& text, std::function<void()> open);
    // Appends "Site..." (1018) after them; choosing it runs `open`.
    void AddSiteItem(const std::string& text, std::function<void()> open);

    // The About box's text from then on; kAboutText until set.
    void SetAboutText(std::string text) { m_about_text = std::move(text); }

    void CreateOutputchk_Click();
    void Grid_DblClick();
    void IP_DblClick();

private:
    void toggle_phases();

    WindowSystem& m_system;
    WindowFrame& m_frame;
    ControlsView& m_view;
    MessageBox& m_about;
    ShellGlobals& m_globals;
    std::function<void()> m_options;
    std::function<void()> m_history;
    std::function<void()> m_site;
    std::string m_about_text = kAboutText;
};

}  // namespace pelmora
