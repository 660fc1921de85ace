#pragma once

#include <functional>
#include <string>

#include "platform/ole_colors.h"

namespace pelmora {

// The tray icon as the window drives it.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    // Whether the desktop has a tray to show it in.
    virtual bool available() const = 0;
    virtual void set_visible(bool visible) = 0;
    virtual bool visible() const = 0;
    virtual void set_tooltip(const std::string& text) = 0;
    virtual void set_colour(OleColor colour) = 0;
};

// What the tray's menu and a click on the icon do.
struct TrayActions {
    std::function<void()> show_or_hide;  // a click on the icon, and the menu's Show or Hide
    std::function<bool()> shown;         // the window is shown and not minimised: the menu says Hide
    std::function<bool()> polling;
    std::function<void()> start_or_stop;
    std::function<void()> history;  // none: no History... item
    std::function<void()> options;  // none: no Options... item
    std::function<void()> quit;
};

}  // namespace pelmora
