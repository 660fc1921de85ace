#include "windows/options_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include "win32/object_procedure.h"

#include "win32/utf16.h"

namespace pelmora {

namespace {

constexpr const wchar_t* kDialogClass = L"PelmoraOptions";
constexpr UINT_PTR kPageTimer = 1;
constexpr int kWidth = 600;  // client pixels at 96 per inch
constexpr int kHeight = 540;

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace

void OptionsDialog::make_window() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = ObjectProcedure<OptionsDialog>;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = kDialogClass;
    RegisterClassExW(&type);
    const int dpi = screen_dpi();
    RECT frame{0, 0, MulDiv(kWidth, dpi, 96), MulDiv(kHeight, dpi, 96)};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT over{};
    GetWindowRect(reinterpret_cast<HWND>(m_owner), &over);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kDialogClass, Utf16(kTitle).c_str(), style,
                                  std::max(0L, over.left + 40), std::max(0L, over.top + 40), width, height,
                                  reinterpret_cast<HWND>(m_owner), nullptr, instance, this);
    if (dialog == nullptr) return;
    m_dialog = reinterpret_cast<Hwnd>(dialog);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    m_font = reinterpret_cast<std::uintptr_t>(CreateFontIndirectW(&metrics.lfMessageFont));
    RECT client{};
    GetClientRect(dialog, &client);
    const int margin = MulDiv(8, dpi, 96);
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                                margin, margin, client.right - 2 * margin, client.bottom - 2 * margin, dialog,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTabsId)), instance, nullptr);
    m_tabs = reinterpret_cast<Hwnd>(tabs);
    SendMessageW(tabs, WM_SETFONT, static_cast<WPARAM>(m_font), FALSE);
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        std::wstring title = Utf16(m_pages[i]->title());
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title.data();
        SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    // The tabs are a strip along the top, the pages on the dialog's own ground under it.
    RECT strip{0, 0, client.right - 2 * margin, client.bottom - 2 * margin};
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&strip));
    const int strip_height = strip.top;
    SetWindowPos(tabs, nullptr, 0, 0, client.right - 2 * margin, strip_height, SWP_NOMOVE | SWP_NOZORDER);
    RECT inside{margin, margin + strip_height, client.right - margin, client.bottom - margin};
    const PagePlace place{m_dialog,
                          PageArea{inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top},
                          m_font, dpi};
    for (OptionsPage* page : m_pages) {
        page->close = [this] { m_done = true; };
        page->Create(place);
        page->Show(false);
    }
}

OptionsPage* OptionsDialog::current() const {
    return m_current >= 0 && m_current < static_cast<int>(m_pages.size()) ? m_pages[m_current] : nullptr;
}

void OptionsDialog::show_page(int index) {
    if (OptionsPage* shown = current()) shown->Show(false);
    m_current = index;
    if (OptionsPage* page = current()) page->Show(true);
}

void OptionsDialog::Run() {
    if (m_pages.empty()) return;
    make_window();
    if (m_dialog == 0) return;
    HWND dialog = reinterpret_cast<HWND>(m_dialog);
    HWND owner = reinterpret_cast<HWND>(m_owner);
    show_page(0);
    SetTimer(dialog, kPageTimer, 250, nullptr);
    EnableWindow(owner, FALSE);
    ShowWindow(dialog, SW_SHOW);
    MSG message;
    while (!m_done) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the loop that waits for this goes on with it.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    KillTimer(dialog, kPageTimer);
    m_dialog = 0;
    DestroyWindow(dialog);
    DeleteObject(reinterpret_cast<HFONT>(m_font));
}

std::intptr_t OptionsDialog::Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    HWND dialog = reinterpret_cast<HWND>(m_dialog);
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL) {
                m_done = true;
            } else if (OptionsPage* page = current()) {
                page->Command(LOWORD(wparam), HIWORD(wparam));
            }
            return 0;
        case WM_NOTIFY: {
            const auto* note = reinterpret_cast<const NMHDR*>(lparam);
            if (note->idFrom == kTabsId && note->code == TCN_SELCHANGE)
                show_page(static_cast<int>(SendMessageW(reinterpret_cast<HWND>(m_tabs), TCM_GETCURSEL, 0, 0)));
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: {
            const OptionsPage* page = current();
            const std::optional<unsigned long> colour =
                page != nullptr ? page->TextColour(GetDlgCtrlID(reinterpret_cast<HWND>(lparam))) : std::nullopt;
            if (!colour) break;
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, static_cast<COLORREF>(*colour));
            const int back = message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE;
            SetBkColor(dc, GetSysColor(back));
            return reinterpret_cast<std::intptr_t>(GetSysColorBrush(back));
        }
        case WM_TIMER:
            if (OptionsPage* page = current()) page->Tick();
            return 0;
        case WM_CLOSE: m_done = true; return 0;
        default: break;
    }
    return DefWindowProcW(dialog, message, wparam, lparam);
}

}  // namespace pelmora
