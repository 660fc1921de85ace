#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>

#include "platform/ole_colors.h"
#include "platform/tray_icon.h"

class QMenu;
class QAction;
class QSystemTrayIcon;

namespace pelmora {

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
