#include "windows/history_window.h"

#include "form/settings.h"
#include "records/date_time.h"
#include "records/stored_value.h"
#include "win32/utf16.h"
#include "windows/history_chart.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
// GDI+ wants what a lean <windows.h> leaves out.
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include "win32/object_procedure.h"

#include <algorithm>
#include <cstdio>

namespace pelmora {

namespace {

constexpr const wchar_t* kHistoryClass = L"PelmoraHistory";
constexpr UINT_PTR kLiveTimer = 1;
constexpr int kChartTop = 100;  // client pixels at 96 per inch

std::string two(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// The PNG encoder's class id in GDI+.
constexpr CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

}  // namespace

HistoryWindow::HistoryWindow(History& history, SettingsStore& settings, const LocalCalendar& calendar)
    : m_model(history, settings, calendar), m_calendar(calendar) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterObjectClass<HistoryWindow>(kHistoryClass);
    // No larger than the screen's free area, and on it.
    RECT room{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &room, 0);
    const HistoryPlace place =
        KeptHistoryPlace(settings, room.right - room.left, room.bottom - room.top, room.right, room.bottom);
    const int width = place.width;
    const int height = place.height;
    const int left = place.left && place.top ? *place.left : CW_USEDEFAULT;
    const int top = place.left && place.top ? *place.top : CW_USEDEFAULT;
    m_window = reinterpret_cast<Hwnd>(CreateWindowExW(0, kHistoryClass, Utf16(kTitle).c_str(),
                                                      WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left, top, width, height,
                                                      nullptr, nullptr, instance, this));
    if (m_window == 0) return;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    m_font = reinterpret_cast<std::uintptr_t>(CreateFontIndirectW(&metrics.lfMessageFont));
    make_controls();
    m_tip = reinterpret_cast<Hwnd>(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                                   WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                                   reinterpret_cast<HWND>(m_window), nullptr, instance, nullptr));
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = reinterpret_cast<HWND>(m_window);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(reinterpret_cast<HWND>(m_tip), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(reinterpret_cast<HWND>(m_tip), TTM_SETMAXTIPWIDTH, 0, 600);
    fill_ranges();
    ShowRange(m_model.KeptRange());
    SetTimer(reinterpret_cast<HWND>(m_window), kLiveTimer, 1000, nullptr);
}

HistoryWindow::~HistoryWindow() {
    if (m_window != 0) DestroyWindow(reinterpret_cast<HWND>(m_window));
    if (m_font != 0) DeleteObject(reinterpret_cast<HFONT>(m_font));
}

void HistoryWindow::make_controls() {
    HWND window = reinterpret_cast<HWND>(m_window);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    struct Made {
        int id;
        const wchar_t* type;
        DWORD style;
        const wchar_t* text;
    };
    for (const Made& m : {Made{kRange, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, L""},
                          Made{kSavePng, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, L"Save as PNG..."},
                          Made{kSaveCsv, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, L"Save as CSV..."},
                          Made{kTotals, L"STATIC", SS_LEFT | SS_NOPREFIX, L""},
                          Made{kProblem, L"STATIC", SS_LEFT | SS_NOPREFIX, L""}}) {
        HWND control = CreateWindowExW(0, m.type, m.text, WS_CHILD | WS_VISIBLE | m.style, 0, 0, 10, 10, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(m.id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(m_font), FALSE);
    }
    layout();
}

void HistoryWindow::layout() {
    HWND window = reinterpret_cast<HWND>(m_window);
    RECT client{};
    GetClientRect(window, &client);
    const auto at = [window](int id, int x, int y, int w, int h) {
        SetWindowPos(GetDlgItem(window, id), nullptr, x, y, std::max(w, 1), std::max(h, 1), SWP_NOZORDER);
    };
    at(kRange, 8, 8, 260, 320);
    at(kSaveCsv, client.right - 128, 8, 120, 26);
    at(kSavePng, client.right - 256, 8, 120, 26);
    at(kTotals, 8, 42, client.right - 16, 36);
    at(kProblem, 8, 78, client.right - 16, 18);
    InvalidateRect(window, nullptr, FALSE);
}

void HistoryWindow::fill_ranges() {
    HWND list = GetDlgItem(reinterpret_cast<HWND>(m_window), kRange);
    const std::vector<RangeChoice>& choices = m_model.FillChoices();
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf16(choices[i].label).c_str()));
        if (choices[i].key == m_model.range()) SendMessageW(list, CB_SETCURSEL, i, 0);
    }
}

void HistoryWindow::Open() {
    HWND window = reinterpret_cast<HWND>(m_window);
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window);
    Refresh();
}

namespace {

// Now, in seconds since 1970.
std::int64_t now_epoch() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>(((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) /
                                     10000000ULL) -
           11644473600LL;
}

}  // namespace

void HistoryWindow::ShowRange(const std::string& range) {
    if (!m_model.Show(range, now_epoch())) return;
    const std::vector<RangeChoice>& choices = m_model.choices();
    const auto found =
        std::find_if(choices.begin(), choices.end(), [&](const RangeChoice& c) { return c.key == range; });
    SendMessageW(GetDlgItem(reinterpret_cast<HWND>(m_window), kRange), CB_SETCURSEL, found - choices.begin(), 0);
    draw();
}

void HistoryWindow::Refresh() {
    if (!m_model.Stale()) return;
    m_model.Draw(now_epoch());
    draw();
}

void HistoryWindow::draw() {
    HWND window = reinterpret_cast<HWND>(m_window);
    SetDlgItemTextW(window, kTotals, Utf16(m_model.view().totals).c_str());
    SetDlgItemTextW(window, kProblem, Utf16(m_model.view().problem).c_str());
    InvalidateRect(window, nullptr, FALSE);
}

void HistoryWindow::paint(std::uintptr_t dc, int width, int height) {
    const ChartPlace place{dc, 0, 0, width, height, m_font};
    if (m_model.month()) {
        DrawMonthChart(place, m_model.view().month, m_model.days_in_month(), m_model.view().energy.battery,
                       [this](int slot) { return m_model.SlotLabel(slot); });
    } else {
        DrawLineChart(place, m_model.view().points, m_model.from(), m_model.to(),
                      [this](std::int64_t t) { return m_model.ClockText(t, false); });
    }
}

std::string HistoryWindow::TipAt(int x, int y) const {
    RECT client{};
    GetClientRect(reinterpret_cast<HWND>(m_window), &client);
    const ChartPlace place{0, 0, 0, client.right, client.bottom - kChartTop, m_font};
    if (m_model.month()) {
        const std::optional<int> day = DayAt(place, m_model.days_in_month(), x, y - kChartTop);
        return day ? m_model.DayTipOn(*day) : "";
    }
    const std::optional<std::int64_t> epoch = EpochAt(place, m_model.from(), m_model.to(), x, y - kChartTop);
    return epoch ? m_model.PointTipAt(*epoch) : "";
}

void HistoryWindow::track_tip(int x, int y) {
    HWND window = reinterpret_cast<HWND>(m_window);
    HWND tip = reinterpret_cast<HWND>(m_tip);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window;
    const std::string text = TipAt(x, y);
    if (text.empty()) {
        SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    std::wstring wide = Utf16(text);
    for (std::size_t at = 0; (at = wide.find(L'\n', at)) != std::wstring::npos; at += 2) wide.insert(at, 1, L'\r');
    tool.lpszText = wide.data();
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    POINT at{x + 16, y + 16};
    ClientToScreen(window, &at);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    if (!m_tracking) {
        TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, window, 0};
        m_tracking = TrackMouseEvent(&leave) != FALSE;
    }
}

bool HistoryWindow::SavePng(const std::string& path) {
    RECT client{};
    GetClientRect(reinterpret_cast<HWND>(m_window), &client);
    const int width = std::max<int>(client.right, 320);
    const int height = std::max<int>(client.bottom - kChartTop, 200);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    paint(reinterpret_cast<std::uintptr_t>(dc), width, height);
    SelectObject(dc, old);
    DeleteDC(dc);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    bool saved = false;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
        Gdiplus::GpBitmap* image = nullptr;
        if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
            saved = Gdiplus::DllExports::GdipSaveImageToFile(image, Utf16(path).c_str(), &kPngEncoder, nullptr) ==
                    Gdiplus::Ok;
            Gdiplus::DllExports::GdipDisposeImage(image);
        }
        Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    return saved;
}

bool HistoryWindow::SaveCsv(const std::string& path) {
    const std::string text = m_model.Csv([this](std::int64_t epoch) {
        const LocalMoment local = m_calendar.ToLocal(epoch);
        const int offset = std::abs(local.offset_seconds) / 60;
        return std::to_string(local.civil.year) + "-" + two(local.civil.month) + "-" + two(local.civil.day) + "T" +
               two(local.civil.hour) + ":" + two(local.civil.minute) + ":" + two(local.civil.second) +
               (local.offset_seconds < 0 ? "-" : "+") + two(offset / 60) + ":" + two(offset % 60);
    });
    HANDLE file =
        CreateFileW(Utf16(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    return CloseHandle(file) && whole;
}

void HistoryWindow::save_as(bool png) {
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = reinterpret_cast<HWND>(m_window);
    dialog.lpstrFilter = png ? L"PNG images (*.png)\0*.png\0" : L"CSV files (*.csv)\0*.csv\0";
    dialog.lpstrDefExt = png ? L"png" : L"csv";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = png ? L"Save as PNG" : L"Save as CSV";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return;
    const bool saved = png ? SavePng(Utf8(path)) : SaveCsv(Utf8(path));
    if (!saved)
        ::MessageBoxW(reinterpret_cast<HWND>(m_window), (std::wstring(path) + L" cannot be written.").c_str(),
                      Utf16(kTitle).c_str(), MB_OK | MB_ICONWARNING);
}

void HistoryWindow::save_settings() {
    RECT r{};
    GetWindowRect(reinterpret_cast<HWND>(m_window), &r);
    m_model.SavePlace(r.right - r.left, r.bottom - r.top, r.left, r.top);
}

std::intptr_t HistoryWindow::Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    HWND window = reinterpret_cast<HWND>(m_window);
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wparam);
            const int code = HIWORD(wparam);
            if (id == kRange && code == CBN_DROPDOWN) fill_ranges();
            if (id == kRange && code == CBN_SELCHANGE) {
                const auto index =
                    static_cast<std::size_t>(SendMessageW(GetDlgItem(window, kRange), CB_GETCURSEL, 0, 0));
                if (index < m_model.choices().size()) ShowRange(m_model.choices()[index].key);
            }
            if (id == kSavePng && code == BN_CLICKED) save_as(true);
            if (id == kSaveCsv && code == BN_CLICKED) save_as(false);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == kProblem) {
                SetTextColor(reinterpret_cast<HDC>(wparam), RGB(0xb0, 0x00, 0x00));
                SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<std::intptr_t>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT client{};
            GetClientRect(window, &client);
            const int width = client.right;
            const int height = client.bottom - kChartTop;
            if (width > 0 && height > 0) {
                // Drawn aside and put on the screen at once, so the chart never flickers.
                HDC aside = CreateCompatibleDC(dc);
                HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
                HGDIOBJ old = SelectObject(aside, bitmap);
                paint(reinterpret_cast<std::uintptr_t>(aside), width, height);
                BitBlt(dc, 0, kChartTop, width, height, aside, 0, 0, SRCCOPY);
                SelectObject(aside, old);
                DeleteObject(bitmap);
                DeleteDC(aside);
            }
            EndPaint(window, &ps);
            return 0;
        }
        case WM_SIZE: layout(); return 0;
        case WM_MOUSEMOVE: track_tip(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))); return 0;
        case WM_MOUSELEAVE: {
            m_tracking = false;
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = window;
            SendMessageW(reinterpret_cast<HWND>(m_tip), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
            return 0;
        }
        case WM_TIMER:
            if (wparam == kLiveTimer && IsWindowVisible(window)) Refresh();
            return 0;
        case WM_CLOSE:
            save_settings();
            ShowWindow(window, SW_HIDE);
            return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace pelmora
