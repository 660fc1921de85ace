#pragma once

#include <cstdint>

#include "app/site_window_model.h"
#include "platform/settings_store.h"
#include "platform/window_system.h"

namespace pelmora {

// The Site window: the batteries, the grid switch, the panels as tiles and
// the gateway, as the controller gives them. Escape closes it; its size and
// place are kept in [Site] as the History window keeps its own; closing
// hides it, and it opens again where it was.
class SiteWindow {
public:
    static constexpr const char* kTitle = "Pelmora site";

    explicit SiteWindow(SettingsStore& settings);
    ~SiteWindow();
    SiteWindow(const SiteWindow&) = delete;
    SiteWindow& operator=(const SiteWindow&) = delete;

    void Open(const SiteWindowView& content);
    void Draw(const SiteWindowView& content);
    const SiteWindowView& content() const { return m_content; }

    Hwnd handle() const { return m_window; }
    std::intptr_t Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);

private:
    // Paints from `top` (negative once scrolled); gives the content's height.
    int paint(std::uintptr_t dc, int width, int top) const;
    // Scrolls to `offset` pixels from the top, within the content.
    void scroll_to(int offset);
    void paint_tiles(std::uintptr_t dc, int width, int top) const;
    void close();

    SettingsStore& m_settings;
    SiteWindowView m_content;
    Hwnd m_window = 0;
    std::uintptr_t m_font = 0;
    std::uintptr_t m_bold = 0;
    int m_offset = 0;          // pixels scrolled from the top
    int m_content_height = 0;  // as the last painting found it
};

}  // namespace pelmora
