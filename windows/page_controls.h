#pragma once

#include <string>
#include <vector>

#include "windows/options_page.h"

namespace pelmora {

// A control on a page at `x`, `y` from the page area's corner, `width` by
// `height`, all in pixels at 96 per inch (scaled to the screen's); a width
// of 0 spans the area less its margins. The dialog's font; text in UTF-8.
Hwnd MakePageControl(const PagePlace& place, int id, const wchar_t* type, unsigned long style, const std::string& text,
                     int x, int y, int width, int height);

// Makes controls as MakePageControl does, each one's id kept in `ids`,
// so that a page can show and hide them together.
inline auto PageControlMaker(const PagePlace& place, std::vector<int>& ids) {
    return [&place, &ids](int id, const wchar_t* type, unsigned long style, const std::string& text, int x, int y,
                          int width, int height) {
        MakePageControl(place, id, type, style, text, x, y, width, height);
        ids.push_back(id);
    };
}

// The control's text in UTF-8, line breaks as "\n".
std::string PageControlText(Hwnd dialog, int id);

// Sets the control's text when it differs; "\n" becomes the "\r\n" the
// controls break lines at.
void SetPageControlText(Hwnd dialog, int id, const std::string& text);

// Shows or hides the control.
void ShowPageControl(Hwnd dialog, int id, bool shown);

// A check box's state; a third state counts as not checked.
bool PageControlChecked(Hwnd dialog, int id);
void SetPageControlChecked(Hwnd dialog, int id, bool checked);
// Lets the control take input, or not.
void EnablePageControl(Hwnd dialog, int id, bool enabled);

}  // namespace pelmora
