#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "access/access_status.h"
#include "app/site_window_model.h"
#include "access/token_status.h"
#include "desktop/desktop_services.h"
#include "form/settings.h"
#include "publish/publish_services.h"
#include "site/tariff_form.h"

namespace pelmora {

// The Options dialog's pages, each there where the window has its service.
struct OptionsContent {
    AccessServices* access = nullptr;  // the Gateway page
    GatewayModeSwitch mode;            // its switch for the second meter
    PublishServices* publish = nullptr;
    std::function<std::string()> address;  // the gateway's address as the window shows it, for the Publish page
    std::optional<DesktopServices> desktop;
    TariffServices* tariff = nullptr;
};

// What a main window draws and does for its controller beyond its boxes,
// its frame and its timer. Each front end implements it with its toolkit;
// none of it decides anything.
class WindowView {
public:
    virtual ~WindowView() = default;

    // The battery row under Grid shown or hidden; everything below moves a
    // row and the frame's height, as WindowFrame gives it, stays.
    virtual void show_site_row(bool shown) = 0;
    // One box of the battery row shown or hidden where it is.
    virtual void set_box_visible(std::string_view box, bool shown) = 0;
    // The window's own tooltip.
    virtual void set_window_tooltip(const std::string& text) = 0;
    // Runs `later` once the event in progress is over.
    virtual void defer(std::function<void()> later) = 0;
    // The modal Options dialog with these pages, back when it is closed.
    virtual void open_options(const OptionsContent& content) = 0;
    // Opens the History window, or brings it forward.
    virtual void show_history() = 0;
    // Closes the History window where it is open.
    virtual void close_history() = 0;
    // Opens the Site window showing `content`, or brings it forward.
    virtual void show_site(const SiteWindowView& content) = 0;
    // Draws `content` in the Site window where it is open.
    virtual void draw_site(const SiteWindowView& content) = 0;
    // Closes the Site window where it is open.
    virtual void close_site() = 0;
    // Shown and not minimised.
    virtual bool shown() const = 0;
    virtual void hide() = 0;
    virtual void minimize() = 0;
    // Shown, restored and in front.
    virtual void show_in_front() = 0;
    // Ends the window; its close comes back to the controller's Closing.
    virtual void close_window() = 0;
    // The primary screen in twips, whole or without the desktop's panels.
    virtual ScreenSize screen_size(bool work_area) const = 0;
    // A restored place whose title bar is on no screen's work area is moved onto the nearest one.
    virtual void keep_title_bar_on_screen() = 0;
};

}  // namespace pelmora
