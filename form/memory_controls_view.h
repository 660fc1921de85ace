#pragma once

#include <map>
#include <string>

#include "platform/controls_view.h"

namespace pelmora {

// The window's controls held in memory, starting from their design state.
// Used by the document inspector and by tests in place of the real window.
class MemoryControlsView : public ControlsView {
public:
    struct Control {
        std::string text;
        OleColor back_color = kWindowBackground;
        std::string tooltip;
        int value = 0;
    };

    MemoryControlsView();

    std::string text(std::string_view control) const override;
    void set_text(std::string_view control, const std::string& text) override;
    OleColor back_color(std::string_view control) const override;
    void set_back_color(std::string_view control, OleColor color) override;
    std::string tooltip(std::string_view control) const override;
    void set_tooltip(std::string_view control, const std::string& text) override;
    int value(std::string_view control) const override;

    void set_value(std::string_view control, int value) override;
    const std::map<std::string, Control, std::less<>>& controls() const { return m_controls; }

private:
    const Control* find(std::string_view control) const;
    Control* find(std::string_view control);

    std::map<std::string, Control, std::less<>> m_controls;
};

}  // namespace pelmora
