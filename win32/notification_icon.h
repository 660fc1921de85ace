#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/notifier.h"
#include "platform/tray_icon.h"
#include "platform/window_system.h"

namespace pelmora {

// What the icon asked of the notification area, for a test to see where
// the shell shows nothing.
struct ShellIconCall {
    enum class Action { Add, Modify, Delete };
    Action action = Action::Add;
    std::string tooltip;
    std::string info_title;  // a balloon's title and text; empty for none
    std::string info_text;
};

// The program's icon in the notification area (Shell_NotifyIconW): its
// tooltip, the export or import colour as a disc on the icon, a click that
// shows or hides the window and a menu of the actions. It shows the alerts
// as balloons (toasts on current Windows); while the icon is off, one
// shows for a balloon's sake and goes again after kBalloonShown. It comes
// back when Explorer restarts.
class NotificationIcon : public TrayIcon, public Notifier {
public:
    static constexpr unsigned kBalloonShownMs = 10000;

    explicit NotificationIcon(TrayActions actions);
    ~NotificationIcon() override;
    NotificationIcon(const NotificationIcon&) = delete;
    NotificationIcon& operator=(const NotificationIcon&) = delete;

    // TrayIcon
    bool available() const override { return true; }
    void set_visible(bool visible) override;
    bool visible() const override { return m_visible; }
    void set_tooltip(const std::string& text) override;
    void set_colour(OleColor colour) override;
    // Notifier
    void Notify(const std::string& summary, const std::string& body) override;

    void watch_calls(std::function<void(const ShellIconCall&)> watch) { m_watch = std::move(watch); }
    // The hidden window the notification area talks to; its messages.
    Hwnd handle() const { return m_window; }
    std::intptr_t Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
    // The menu's items, in order, as it would show now.
    std::vector<std::string> MenuItems() const;

private:
    bool call(ShellIconCall::Action action, const std::string& title = {}, const std::string& text = {});
    void show_menu();

    TrayActions m_actions;
    Hwnd m_window = 0;
    std::uintptr_t m_icon = 0;  // the HICON shown, when made here
    bool m_visible = false;
    bool m_added = false;  // in the notification area, for the tray or for a balloon
    std::string m_tooltip = "Pelmora";
    std::optional<OleColor> m_colour;
    unsigned m_taskbar_created = 0;
    std::function<void(const ShellIconCall&)> m_watch;
};

}  // namespace pelmora
