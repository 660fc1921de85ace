#pragma once

#include <map>

#include "platform/window_system.h"

namespace pelmora {

// The window menu and window procedure of real Win32 windows. A procedure
// installed for a window is put in front of the one it had through
// SetWindowLongPtrW; the one it replaces is handed back as a procedure that
// calls the old one through CallWindowProcW. Strings are UTF-8.
class Win32WindowSystem : public WindowSystem {
public:
    Win32WindowSystem() = default;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;
    ~Win32WindowSystem() override;

    MenuHandle GetSystemMenu(Hwnd window, bool revert) override;
    bool AppendMenuA(MenuHandle menu, unsigned flags, std::uintptr_t id, const std::string& text) override;
    WndProc SetWindowLongA(Hwnd window, int index, WndProc procedure) override;
    std::intptr_t CallWindowProcA(const WndProc& procedure, Hwnd window, unsigned message, std::uintptr_t wparam,
                                  std::intptr_t lparam) override;
    bool SetWindowPos(Hwnd window, std::intptr_t insert_after, int x, int y, int cx, int cy, unsigned flags) override;

    // The procedure installed for `window`, called by the window's own.
    std::intptr_t Dispatch(Hwnd window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);

private:
    std::map<Hwnd, WndProc> m_procedures;
    std::map<Hwnd, std::intptr_t> m_originals;  // the window procedure before the first install
};

}  // namespace pelmora
