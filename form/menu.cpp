#include "form/menu.h"

namespace pelmora {

std::string AboutTextAt(std::string_view address) {
    return std::string(kAboutLine) + "\r\n" + kAboutCredit + std::string(address);
}

Menu::Menu(WindowSystem& system, WindowFrame& frame, ControlsView& view, MessageBox& about, ShellGlobals& globals)
    : m_system(system), m_frame(frame), m_view(view), m_about(about), m_globals(globals) {}

void Menu::AddMenuItems(const std::string& text1, const std::string& text2, const std::string& text3,
                        const std::string& text4) {
    const Hwnd window = m_frame.handle();
    const MenuHandle menu = m_system.GetSystemMenu(window, false);
    m_system.AppendMenuA(menu, MF_SEPARATOR, 0, "");
    m_system.AppendMenuA(menu, MF_STRING, kStayOnTopCommand, text1);
    m_system.AppendMenuA(menu, MF_STRING, kShowSettingsCommand, text2);
    m_system.AppendMenuA(menu, MF_STRING, kShowPhasesCommand, text3);
    m_system.AppendMenuA(menu, MF_STRING, kAboutCommand, text4);
    m_globals.PrevWndProc = m_system.SetWindowLongA(
        window, GWL_WNDPROC,
        [this](Hwnd h, unsigned m, std::uintptr_t w, std::intptr_t l) { return WindowProc(h, m, w, l); });
}

void Menu::AddOptionsItem(const std::string& text, std::function<void()> open) {
    m_options = std::move(open);
    m_system.AppendMenuA(m_system.GetSystemMenu(m_frame.handle(), false), MF_STRING, kOptionsCommand, text);
}

void Menu::AddHistoryItem(const std::string& text, std::function<void()> open) {
    m_history = std::move(open);
    m_system.AppendMenuA(m_system.GetSystemMenu(m_frame.handle(), false), MF_STRING, kHistoryCommand, text);
}

void Menu::AddSiteItem(const std::string& text, std::function<void()> open) {
    m_site = std::move(open);
    m_system.AppendMenuA(m_system.GetSystemMenu(m_frame.handle(), false), MF_STRING, kSiteCommand, text);
}

std::intptr_t Menu::WindowProc(Hwnd window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    if (message == WM_SYSCOMMAND) {
        switch (wparam) {
            case kStayOnTopCommand:
                m_globals.OnTopFlag = !m_globals.OnTopFlag;
                m_system.SetWindowPos(window, m_globals.OnTopFlag ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                                      SWP_NOSIZE | SWP_NOMOVE);
                return 0;
            case kShowSettingsCommand:
                m_frame.SetWidth(m_frame.Width() > kNarrowWidth ? kNarrowWidth : kFullWidth);
                return 0;
            case kShowPhasesCommand: toggle_phases(); return 0;
            case kAboutCommand: m_about.Show(m_about_text, kAboutTitle, MB_OK | MB_ICONINFORMATION); return 0;
            case kOptionsCommand:
                if (m_options) {
                    m_options();
                    return 0;
                }
                break;
            case kHistoryCommand:
                if (m_history) {
                    m_history();
                    return 0;
                }
                break;
            case kSiteCommand:
                if (m_site) {
                    m_site();
                    return 0;
                }
                break;
            default: break;
        }
    }
    return m_system.CallWindowProcA(m_globals.PrevWndProc, window, message, wparam, lparam);
}

void Menu::toggle_phases() { m_frame.SetHeight(m_frame.Height() >= kHeightThreshold ? kShortHeight : kTallHeight); }

void Menu::CreateOutputchk_Click() {
    if (m_view.value("CreateOutputchk") == 1) m_frame.SetWidth(kNarrowWidth);
}

void Menu::Grid_DblClick() { toggle_phases(); }

void Menu::IP_DblClick() { m_frame.SetWidth(kAddressWidth); }

}  // namespace pelmora
