#include "form/memory_controls_view.h"

#include "form/window_design.h"

namespace pelmora {

MemoryControlsView::MemoryControlsView() {
    // The battery row's boxes are there from the start, as a window has them once shown.
    for (const auto& designs : {MainWindowDesign(), SiteRowDesign()}) {
        for (const ControlDesign& design : designs) {
            Control control;
            control.text = std::string(design.text);
            control.back_color = design.back_color.value_or(kWindowBackground);
            control.tooltip = std::string(design.tooltip);
            m_controls.emplace(std::string(design.name), std::move(control));
        }
    }
}

const MemoryControlsView::Control* MemoryControlsView::find(std::string_view control) const {
    auto it = m_controls.find(control);
    return it == m_controls.end() ? nullptr : &it->second;
}

MemoryControlsView::Control* MemoryControlsView::find(std::string_view control) {
    auto it = m_controls.find(control);
    return it == m_controls.end() ? nullptr : &it->second;
}

std::string MemoryControlsView::text(std::string_view control) const {
    const Control* c = find(control);
    return c ? c->text : std::string();
}

void MemoryControlsView::set_text(std::string_view control, const std::string& text) {
    if (Control* c = find(control)) c->text = text;
}

OleColor MemoryControlsView::back_color(std::string_view control) const {
    const Control* c = find(control);
    return c ? c->back_color : kWindowBackground;
}

void MemoryControlsView::set_back_color(std::string_view control, OleColor color) {
    if (Control* c = find(control)) c->back_color = color;
}

std::string MemoryControlsView::tooltip(std::string_view control) const {
    const Control* c = find(control);
    return c ? c->tooltip : std::string();
}

void MemoryControlsView::set_tooltip(std::string_view control, const std::string& text) {
    if (Control* c = find(control)) c->tooltip = text;
}

int MemoryControlsView::value(std::string_view control) const {
    const Control* c = find(control);
    return c ? c->value : 0;
}

void MemoryControlsView::set_value(std::string_view control, int value) {
    if (Control* c = find(control)) c->value = value;
}

}  // namespace pelmora
