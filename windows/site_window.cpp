#include "windows/site_window.h"

#include <windows.h>

#include <algorithm>

#include "history/chart_model.h"
#include "win32/object_procedure.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

constexpr const wchar_t* kSiteClass = L"PelmoraSite";
constexpr int kMargin = 12;
constexpr int kTileWidth = 150;
constexpr int kTileHeight = 70;
constexpr int kGap = 6;

void text_at(HDC dc, int x, int y, const std::string& text) {
    const std::wstring wide = Utf16(text);
    TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

}  // namespace

SiteWindow::SiteWindow(SettingsStore& settings) : m_settings(settings) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterObjectClass<SiteWindow>(kSiteClass);
    // No larger than the screen's free area, and on it.
    RECT room{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &room, 0);
    const HistoryPlace place = KeptHistoryPlace(settings, room.right - room.left, room.bottom - room.top, room.right,
                                                room.bottom, kSiteSection);
    const int left = place.left && place.top ? *place.left : CW_USEDEFAULT;
    const int top = place.left && place.top ? *place.top : CW_USEDEFAULT;
    m_window =
        reinterpret_cast<Hwnd>(CreateWindowExW(0, kSiteClass, Utf16(kTitle).c_str(), WS_OVERLAPPEDWINDOW | WS_VSCROLL,
                                               left, top, place.width, place.height, nullptr, nullptr, instance, this));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    m_font = reinterpret_cast<std::uintptr_t>(CreateFontIndirectW(&metrics.lfMessageFont));
    metrics.lfMessageFont.lfWeight = FW_BOLD;
    m_bold = reinterpret_cast<std::uintptr_t>(CreateFontIndirectW(&metrics.lfMessageFont));
}

SiteWindow::~SiteWindow() {
    if (m_window != 0) DestroyWindow(reinterpret_cast<HWND>(m_window));
    DeleteObject(reinterpret_cast<HGDIOBJ>(m_font));
    DeleteObject(reinterpret_cast<HGDIOBJ>(m_bold));
}

void SiteWindow::Open(const SiteWindowView& content) {
    HWND window = reinterpret_cast<HWND>(m_window);
    Draw(content);
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
}

void SiteWindow::Draw(const SiteWindowView& content) {
    m_content = content;
    InvalidateRect(reinterpret_cast<HWND>(m_window), nullptr, TRUE);
}

int SiteWindow::paint(std::uintptr_t context, int width, int top) const {
    HDC dc = reinterpret_cast<HDC>(context);
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    SelectObject(dc, reinterpret_cast<HFONT>(m_font));
    GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight + metrics.tmExternalLeading;
    int y = top + kMargin;
    for (const SiteWindowView::Section& section : m_content.sections) {
        SelectObject(dc, reinterpret_cast<HFONT>(m_bold));
        text_at(dc, kMargin, y, section.title);
        SelectObject(dc, reinterpret_cast<HFONT>(m_font));
        y += line;
        for (const std::string& text : section.lines) {
            text_at(dc, kMargin * 2, y, text);
            y += line;
        }
        if (section.title == "Panels" && !m_content.panels.empty()) {
            paint_tiles(context, width, y);
            const int columns = PanelColumns(width - 2 * kMargin, kTileWidth + kGap);
            const int rows = (static_cast<int>(m_content.panels.size()) + columns - 1) / columns;
            y += rows * (kTileHeight + kGap) + 4;
        }
        y += line;
    }
    return y + kMargin - top;
}

void SiteWindow::scroll_to(int offset) {
    HWND window = reinterpret_cast<HWND>(m_window);
    RECT client{};
    GetClientRect(window, &client);
    m_offset = std::clamp(offset, 0, std::max(0, m_content_height - static_cast<int>(client.bottom)));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = std::max(0, m_content_height - 1);
    info.nPage = static_cast<UINT>(client.bottom);
    info.nPos = m_offset;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    InvalidateRect(window, nullptr, TRUE);
}

void SiteWindow::paint_tiles(std::uintptr_t context, int width, int top) const {
    HDC dc = reinterpret_cast<HDC>(context);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight;
    const int columns = PanelColumns(width - 2 * kMargin, kTileWidth + kGap);
    for (std::size_t i = 0; i < m_content.panels.size(); ++i) {
        const PanelTile& tile = m_content.panels[i];
        const int left = kMargin * 2 + static_cast<int>(i) % columns * (kTileWidth + kGap);
        const int upper = top + 4 + static_cast<int>(i) / columns * (kTileHeight + kGap);
        HPEN pen = CreatePen(PS_SOLID, 1, tile.silent ? RGB(200, 0, 0) : RGB(150, 150, 150));
        HBRUSH fill = CreateSolidBrush(tile.silent ? RGB(255, 225, 225) : RGB(250, 250, 250));
        HGDIOBJ old_pen = SelectObject(dc, pen);
        HGDIOBJ old_brush = SelectObject(dc, fill);
        Rectangle(dc, left, upper, left + kTileWidth, upper + kTileHeight);
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        DeleteObject(pen);
        DeleteObject(fill);
        const int x = left + 6;
        int y = upper + 4;
        text_at(dc, x, y, tile.serial);
        SIZE size{};
        const std::wstring at = Utf16(tile.reported);
        GetTextExtentPoint32W(dc, at.c_str(), static_cast<int>(at.size()), &size);
        TextOutW(dc, left + kTileWidth - 6 - size.cx, y, at.c_str(), static_cast<int>(at.size()));
        y += line;
        SelectObject(dc, reinterpret_cast<HFONT>(m_bold));
        text_at(dc, x, y, tile.watts);
        SelectObject(dc, reinterpret_cast<HFONT>(m_font));
        y += line + 2;
        RECT bar{x, y, left + kTileWidth - 6, y + 8};
        HBRUSH empty = CreateSolidBrush(RGB(225, 225, 225));
        FillRect(dc, &bar, empty);
        DeleteObject(empty);
        bar.right = bar.left + static_cast<LONG>((kTileWidth - 12) * tile.fraction);
        HBRUSH full = CreateSolidBrush(RGB(230, 150, 0));
        FillRect(dc, &bar, full);
        DeleteObject(full);
        text_at(dc, x, y + 10, tile.largest);
    }
}

void SiteWindow::close() {
    HWND window = reinterpret_cast<HWND>(m_window);
    RECT r{};
    GetWindowRect(window, &r);
    SaveWindowPlace(m_settings, kSiteSection, r.right - r.left, r.bottom - r.top, r.left, r.top);
    ShowWindow(window, SW_HIDE);
}

std::intptr_t SiteWindow::Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    HWND window = reinterpret_cast<HWND>(m_window);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT client{};
            GetClientRect(window, &client);
            const int height = paint(reinterpret_cast<std::uintptr_t>(dc), client.right, -m_offset);
            EndPaint(window, &ps);
            // Tiles that wrap anew change the content's height: the scroll bar follows it.
            if (height != m_content_height) {
                m_content_height = height;
                scroll_to(m_offset);
            }
            return 0;
        }
        case WM_SIZE: scroll_to(m_offset); return 0;
        case WM_VSCROLL: {
            RECT client{};
            GetClientRect(window, &client);
            const int page = std::max(1, static_cast<int>(client.bottom) - 20);
            switch (LOWORD(wparam)) {
                case SB_LINEUP: scroll_to(m_offset - 20); break;
                case SB_LINEDOWN: scroll_to(m_offset + 20); break;
                case SB_PAGEUP: scroll_to(m_offset - page); break;
                case SB_PAGEDOWN: scroll_to(m_offset + page); break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION: scroll_to(HIWORD(wparam)); break;
                default: break;
            }
            return 0;
        }
        case WM_MOUSEWHEEL: scroll_to(m_offset - GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA * 60); return 0;
        case WM_KEYDOWN:
            switch (wparam) {
                case VK_ESCAPE: close(); return 0;
                case VK_PRIOR: SendMessageW(window, WM_VSCROLL, SB_PAGEUP, 0); return 0;
                case VK_NEXT: SendMessageW(window, WM_VSCROLL, SB_PAGEDOWN, 0); return 0;
                case VK_UP: SendMessageW(window, WM_VSCROLL, SB_LINEUP, 0); return 0;
                case VK_DOWN: SendMessageW(window, WM_VSCROLL, SB_LINEDOWN, 0); return 0;
                case VK_HOME: scroll_to(0); return 0;
                case VK_END: scroll_to(m_content_height); return 0;
                default: break;
            }
            break;
        case WM_CLOSE: close(); return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace pelmora
