#include "qt/qt_window_system.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace pelmora {

QtWindowSystem::QtWindowSystem(QWidget& window) : m_window(window) {
    m_procedure = [this](Hwnd, unsigned message, std::uintptr_t wparam, std::intptr_t) {
        return default_procedure(message, wparam);
    };
}

MenuHandle QtWindowSystem::GetSystemMenu(Hwnd, bool revert) {
    if (revert) m_appended.clear();
    return reinterpret_cast<MenuHandle>(this);
}

bool QtWindowSystem::AppendMenuA(MenuHandle menu, unsigned flags, std::uintptr_t id, const std::string& text) {
    if (menu != reinterpret_cast<MenuHandle>(this)) return false;
    m_appended.push_back(Item{flags, id, (flags & MF_SEPARATOR) ? std::string() : text});
    return true;
}

WndProc QtWindowSystem::SetWindowLongA(Hwnd, int index, WndProc procedure) {
    if (index != GWL_WNDPROC) return WndProc();
    WndProc previous = std::move(m_procedure);
    m_procedure = std::move(procedure);
    return previous;
}

std::intptr_t QtWindowSystem::CallWindowProcA(const WndProc& procedure, Hwnd window, unsigned message,
                                              std::uintptr_t wparam, std::intptr_t lparam) {
    return procedure ? procedure(window, message, wparam, lparam) : 0;
}

bool QtWindowSystem::SetWindowPos(Hwnd, std::intptr_t insert_after, int x, int y, int cx, int cy, unsigned flags) {
    if (insert_after == HWND_TOPMOST || insert_after == HWND_NOTOPMOST) {
        const bool on_top = insert_after == HWND_TOPMOST;
        if (on_top != topmost()) {
            const bool visible = m_window.isVisible();
            // Changing a window flag hides the window; it is shown again as it was.
            m_window.setWindowFlag(Qt::WindowStaysOnTopHint, on_top);
            if (visible) m_window.show();
        }
    }
    if ((flags & SWP_NOMOVE) == 0) m_window.move(x, y);
    if ((flags & SWP_NOSIZE) == 0) m_window.resize(cx, cy);
    return true;
}

std::vector<QtWindowSystem::Item> QtWindowSystem::menu_items() const {
    std::vector<Item> items = {{MF_STRING, SC_RESTORE, "Restore"},
                               {MF_STRING, SC_MINIMIZE, "Minimize"},
                               {MF_STRING, SC_MAXIMIZE, "Maximize"},
                               {MF_STRING, SC_CLOSE, "Close"}};
    items.insert(items.end(), m_appended.begin(), m_appended.end());
    return items;
}

QMenu* QtWindowSystem::build_menu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (const Item& item : menu_items()) {
        if (item.flags & MF_SEPARATOR) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromStdString(item.text));
        action->setData(QVariant::fromValue<qulonglong>(item.id));
        const std::uintptr_t id = item.id;
        if (id == SC_RESTORE) action->setEnabled(m_window.isMaximized() || m_window.isMinimized());
        if (id == SC_MAXIMIZE) action->setEnabled(!m_window.isMaximized());
        if (const std::optional<bool> checked = m_checked ? m_checked(id) : std::nullopt) {
            action->setCheckable(true);
            action->setChecked(*checked);
        }
        QObject::connect(action, &QAction::triggered, menu, [this, id] { dispatch(WM_SYSCOMMAND, id, 0); });
    }
    return menu;
}

void QtWindowSystem::popup_menu(const QPoint& global_position) {
    QMenu* menu = build_menu(&m_window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(global_position);
}

std::intptr_t QtWindowSystem::dispatch(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    const Hwnd handle = reinterpret_cast<Hwnd>(&m_window);
    return CallWindowProcA(m_procedure, handle, message, wparam, lparam);
}

bool QtWindowSystem::topmost() const { return m_window.windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

std::intptr_t QtWindowSystem::default_procedure(unsigned message, std::uintptr_t wparam) {
    if (message != WM_SYSCOMMAND) return 0;
    switch (wparam) {
        case SC_RESTORE: m_window.showNormal(); break;
        case SC_MINIMIZE: m_window.showMinimized(); break;
        case SC_MAXIMIZE: m_window.showMaximized(); break;
        case SC_CLOSE: m_window.close(); break;
        default: break;
    }
    return 0;
}

}  // namespace pelmora
