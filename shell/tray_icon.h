#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>

#include "platform/ole_colors.h"

class QMenu;
class QAction;
class QSystemTrayIcon;

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

// A QSystemTrayIcon, which speaks the freedesktop StatusNotifierItem
// protocol, or the XEmbed tray where that is what the desktop has. Its icon
// is a disc in the grid's colour over the program's icon.
class QtTrayIcon : public QObject, public TrayIcon {
public:
    explicit QtTrayIcon(TrayActions actions);
    // Brings the menu's labels up to date, as its opening does.
    void refresh_menu();
    QMenu* menu() const { return m_menu; }
    ~QtTrayIcon() override;

    bool available() const override;
    void set_visible(bool visible) override;
    bool visible() const override;
    void set_tooltip(const std::string& text) override;
    void set_colour(OleColor colour) override;

private:
    TrayActions m_actions;
    QSystemTrayIcon* m_icon;
    QMenu* m_menu;
    QAction* m_start_stop;
    QAction* m_show_hide;
    std::optional<OleColor> m_colour;
};

}  // namespace pelmora
