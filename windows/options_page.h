#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/window_system.h"

namespace pelmora {

// Where a page's controls go, in client pixels of the dialog.
struct PageArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// What a page is made with: the dialog, its area, the dialog's font and
// the screen's pixels per inch.
struct PagePlace {
    Hwnd dialog = 0;
    PageArea area;
    std::uintptr_t font = 0;
    int dpi = 96;
};

// One page of the Options dialog: its controls made on the dialog (each
// with an id of its own), shown while its tab is.
class OptionsPage {
public:
    virtual ~OptionsPage() = default;
    virtual std::string title() const = 0;
    virtual void Create(const PagePlace& place) = 0;
    virtual void Show(bool shown) = 0;
    // A WM_COMMAND from the control `id` with its notification `code`.
    virtual void Command(int id, int code) = 0;
    // The text colour (a COLORREF) of the control `id`, when not the usual.
    virtual std::optional<unsigned long> TextColour(int id) const = 0;
    // Four times a second while the dialog is open.
    virtual void Tick() = 0;

    // Set by the dialog: a page's Close button ends it through this.
    std::function<void()> close;
};

}  // namespace pelmora
