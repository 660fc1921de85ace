#pragma once

#include <QPoint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/window_system.h"

class QWidget;
class QMenu;

namespace pelmora {

// The window menu of a Qt window: the platform's own commands (Restore,
// Minimize, Maximize, Close) followed by the items appended to it, shown as
// the window's context menu. A chosen item reaches the installed window
// procedure as WM_SYSCOMMAND with its identifier; the procedure in place
// before any was installed carries out the platform's own commands.
class QtWindowSystem : public WindowSystem {
public:
    struct Item {
        unsigned flags;
        std::uintptr_t id;
        std::string text;
    };

    explicit QtWindowSystem(QWidget& window);

    MenuHandle GetSystemMenu(Hwnd window, bool revert) override;
    bool AppendMenuA(MenuHandle menu, unsigned flags, std::uintptr_t id, const std::string& text) override;
    WndProc SetWindowLongA(Hwnd window, int index, WndProc procedure) override;
    std::intptr_t CallWindowProcA(const WndProc& procedure, Hwnd window, unsigned message, std::uintptr_t wparam,
                                  std::intptr_t lparam) override;
    bool SetWindowPos(Hwnd window, std::intptr_t insert_after, int x, int y, int cx, int cy, unsigned flags) override;

    // The whole menu: the platform's items, then the appended ones.
    std::vector<Item> menu_items() const;
    // Builds the menu (for showing or for tests); choosing an item dispatches it.
    QMenu* build_menu(QWidget* parent);
    void popup_menu(const QPoint& global_position);
    // Sends a message to the window procedure in force.
    std::intptr_t dispatch(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
    bool topmost() const;
    // Gives each item its check mark, or none: asked each time the menu is built.
    void set_check_marks(std::function<std::optional<bool>(std::uintptr_t id)> checked) {
        m_checked = std::move(checked);
    }

private:
    std::intptr_t default_procedure(unsigned message, std::uintptr_t wparam);

    QWidget& m_window;
    std::vector<Item> m_appended;
    WndProc m_procedure;
    std::function<std::optional<bool>(std::uintptr_t)> m_checked;
};

}  // namespace pelmora
