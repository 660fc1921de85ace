#pragma once

#include <string>
#include <string_view>

#include "platform/ole_colors.h"

namespace pelmora {

// The window's controls as the read routine, the phase routines and the
// output file see them, addressed by control name ("Grid", "A1", ...).
// A name that is not a control of the window reads as empty and ignores
// writes.
class ControlsView {
public:
    virtual ~ControlsView() = default;

    virtual std::string text(std::string_view control) const = 0;
    virtual void set_text(std::string_view control, const std::string& text) = 0;

    // The OLE value last set (or the design value), not what the screen shows.
    virtual OleColor back_color(std::string_view control) const = 0;
    virtual void set_back_color(std::string_view control, OleColor color) = 0;

    virtual std::string tooltip(std::string_view control) const = 0;
    virtual void set_tooltip(std::string_view control, const std::string& text) = 0;

    // A check box's value: 0 clear, 1 ticked, 2 grey. Setting a value that
    // differs from the current one raises the box's click reaction.
    virtual int value(std::string_view control) const = 0;
    virtual void set_value(std::string_view control, int value) = 0;
};

}  // namespace pelmora
