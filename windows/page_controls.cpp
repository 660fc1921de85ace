#include "windows/page_controls.h"

#include <windows.h>

#include "win32/utf16.h"

namespace pelmora {

namespace {

constexpr int kMargin = 8;

std::wstring with_crlf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return Utf16(out);
}

}  // namespace

Hwnd MakePageControl(const PagePlace& place, int id, const wchar_t* type, unsigned long style, const std::string& text,
                     int x, int y, int width, int height) {
    const auto scaled = [&place](int pixels) { return MulDiv(pixels, place.dpi, 96); };
    const int w = width > 0 ? scaled(width) : place.area.width - scaled(x + kMargin);
    const DWORD extended = wcscmp(type, L"EDIT") == 0 ? WS_EX_CLIENTEDGE : 0;
    HWND control =
        CreateWindowExW(extended, type, with_crlf(text).c_str(), WS_CHILD | style, place.area.left + scaled(x),
                        place.area.top + scaled(y), w, scaled(height), reinterpret_cast<HWND>(place.dialog),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(place.font), FALSE);
    return reinterpret_cast<Hwnd>(control);
}

std::string PageControlText(Hwnd dialog, int id) {
    HWND control = GetDlgItem(reinterpret_cast<HWND>(dialog), id);
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    std::string out;
    for (const char c : Utf8(text)) {
        if (c != '\r') out += c;
    }
    return out;
}

void SetPageControlText(Hwnd dialog, int id, const std::string& text) {
    if (PageControlText(dialog, id) == text) return;
    SetWindowTextW(GetDlgItem(reinterpret_cast<HWND>(dialog), id), with_crlf(text).c_str());
}

void ShowPageControl(Hwnd dialog, int id, bool shown) {
    ShowWindow(GetDlgItem(reinterpret_cast<HWND>(dialog), id), shown ? SW_SHOW : SW_HIDE);
}

bool PageControlChecked(Hwnd dialog, int id) {
    return SendMessageW(GetDlgItem(reinterpret_cast<HWND>(dialog), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetPageControlChecked(Hwnd dialog, int id, bool checked) {
    SendMessageW(GetDlgItem(reinterpret_cast<HWND>(dialog), id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void EnablePageControl(Hwnd dialog, int id, bool enabled) {
    EnableWindow(GetDlgItem(reinterpret_cast<HWND>(dialog), id), enabled ? TRUE : FALSE);
}

}  // namespace pelmora
