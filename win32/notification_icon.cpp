#include "win32/notification_icon.h"

#include <windows.h>
#include <shellapi.h>

#include "win32/object_procedure.h"

#include <cwchar>
#include <vector>

#include "win32/utf16.h"
#include "win32/win32_colour.h"

namespace pelmora {

namespace {

constexpr const wchar_t* kIconClass = L"PelmoraNotificationIcon";
constexpr UINT kIconMessage = WM_APP + 10;
constexpr UINT kIconId = 1;
constexpr UINT_PTR kBalloonTimer = 1;
enum MenuId : UINT { kShowHide = 1, kStartStop, kHistory, kOptions, kQuit };

template <std::size_t N>
void copy_text(wchar_t (&to)[N], const std::string& text) {
    const std::wstring wide = Utf16(text);
    std::wcsncpy(to, wide.c_str(), N - 1);
    to[N - 1] = L'\0';
}

// The program's small icon with a disc of `colour` in its lower right quarter.
HICON coloured_icon(COLORREF colour) {
    const int size = GetSystemMetrics(SM_CXSMICON);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour_bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (colour_bitmap == nullptr) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, colour_bitmap);
    auto* base = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (base != nullptr) DrawIconEx(dc, 0, 0, base, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const double centre = size * 0.72;
    const double radius = size * 0.27;
    const std::uint32_t fill = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) |
                               static_cast<std::uint32_t>(GetBValue(colour));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - centre;
            const double dy = y + 0.5 - centre;
            const double distance = dx * dx + dy * dy;
            if (distance > radius * radius) continue;
            const bool rim = distance > (radius - 1.2) * (radius - 1.2);
            pixels[y * size + x] = rim ? 0xFF282828u : fill;
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    if (base != nullptr) DestroyIcon(base);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ICONINFO parts{TRUE, 0, 0, mask, colour_bitmap};
    HICON made = CreateIconIndirect(&parts);
    DeleteObject(mask);
    DeleteObject(colour_bitmap);
    return made;
}

}  // namespace

NotificationIcon::NotificationIcon(TrayActions actions) : m_actions(std::move(actions)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = ObjectProcedure<NotificationIcon>;
    type.hInstance = instance;
    type.lpszClassName = kIconClass;
    RegisterClassExW(&type);
    // A top-level window, never shown: Explorer's restart is told to those only.
    m_window = reinterpret_cast<Hwnd>(CreateWindowExW(WS_EX_TOOLWINDOW, kIconClass, L"Pelmora", WS_POPUP, 0, 0, 0, 0,
                                                      nullptr, nullptr, instance, this));
    m_taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
}

NotificationIcon::~NotificationIcon() {
    if (m_added) call(ShellIconCall::Action::Delete);
    if (m_icon != 0) DestroyIcon(reinterpret_cast<HICON>(m_icon));
    DestroyWindow(reinterpret_cast<HWND>(m_window));
}

bool NotificationIcon::call(ShellIconCall::Action action, const std::string& title, const std::string& text) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = reinterpret_cast<HWND>(m_window);
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kIconMessage;
    data.hIcon =
        m_icon != 0 ? reinterpret_cast<HICON>(m_icon) : LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    copy_text(data.szTip, m_tooltip);
    if (!title.empty() || !text.empty()) {
        data.uFlags |= NIF_INFO;
        copy_text(data.szInfoTitle, title);
        copy_text(data.szInfo, text);
        data.dwInfoFlags = NIIF_INFO;
    }
    const DWORD message = action == ShellIconCall::Action::Add      ? NIM_ADD
                          : action == ShellIconCall::Action::Modify ? NIM_MODIFY
                                                                    : NIM_DELETE;
    if (m_watch) m_watch(ShellIconCall{action, m_tooltip, title, text});
    return Shell_NotifyIconW(message, &data) != FALSE;
}

void NotificationIcon::set_visible(bool visible) {
    m_visible = visible;
    KillTimer(reinterpret_cast<HWND>(m_window), kBalloonTimer);
    if (visible && !m_added) {
        m_added = true;
        call(ShellIconCall::Action::Add);
    } else if (!visible && m_added) {
        m_added = false;
        call(ShellIconCall::Action::Delete);
    }
}

void NotificationIcon::set_tooltip(const std::string& text) {
    if (text == m_tooltip) return;
    m_tooltip = text;
    if (m_added) call(ShellIconCall::Action::Modify);
}

void NotificationIcon::set_colour(OleColor colour) {
    if (m_colour == colour) return;
    m_colour = colour;
    if (m_icon != 0) DestroyIcon(reinterpret_cast<HICON>(m_icon));
    m_icon = reinterpret_cast<std::uintptr_t>(coloured_icon(static_cast<COLORREF>(ColourRefOf(colour))));
    if (m_added) call(ShellIconCall::Action::Modify);
}

void NotificationIcon::Notify(const std::string& summary, const std::string& body) {
    if (!m_added) {
        m_added = true;
        call(ShellIconCall::Action::Add);
    }
    call(ShellIconCall::Action::Modify, summary, body);
    if (!m_visible) SetTimer(reinterpret_cast<HWND>(m_window), kBalloonTimer, kBalloonShownMs, nullptr);
}

std::vector<std::string> NotificationIcon::MenuItems() const {
    std::vector<std::string> items{m_actions.shown() ? "Hide" : "Show", m_actions.polling() ? "Stop" : "Start"};
    if (m_actions.history) items.emplace_back("History...");
    if (m_actions.options) items.emplace_back("Options...");
    items.emplace_back("Quit");
    return items;
}

void NotificationIcon::show_menu() {
    HMENU menu = CreatePopupMenu();
    const std::vector<std::string> items = MenuItems();
    const UINT ids[] = {kShowHide, kStartStop};
    for (std::size_t i = 0; i < items.size(); ++i) {
        UINT id = i < 2 ? ids[i] : items[i] == "History..." ? kHistory : items[i] == "Options..." ? kOptions : kQuit;
        if (id == kQuit) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, id, Utf16(items[i]).c_str());
    }
    POINT at{};
    GetCursorPos(&at);
    HWND window = reinterpret_cast<HWND>(m_window);
    // The menu closes when the user clicks elsewhere only while its window is in front.
    SetForegroundWindow(window);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    switch (chosen) {
        case kShowHide: m_actions.show_or_hide(); break;
        case kStartStop: m_actions.start_or_stop(); break;
        case kHistory: m_actions.history(); break;
        case kOptions: m_actions.options(); break;
        case kQuit: m_actions.quit(); break;
        default: break;
    }
}

std::intptr_t NotificationIcon::Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    HWND window = reinterpret_cast<HWND>(m_window);
    if (message == kIconMessage) {
        const UINT event = LOWORD(lparam);
        if (event == WM_LBUTTONUP) m_actions.show_or_hide();
        if (event == WM_RBUTTONUP || event == WM_CONTEXTMENU) show_menu();
        return 0;
    }
    if (message == m_taskbar_created && m_taskbar_created != 0) {
        if (m_added) call(ShellIconCall::Action::Add);
        return 0;
    }
    if (message == WM_TIMER && wparam == kBalloonTimer) {
        KillTimer(window, kBalloonTimer);
        if (!m_visible && m_added) {
            m_added = false;
            call(ShellIconCall::Action::Delete);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace pelmora
