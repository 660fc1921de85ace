#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pelmora {

using Hwnd = std::uintptr_t;
using MenuHandle = std::uintptr_t;
using WndProc = std::function<std::intptr_t(Hwnd, unsigned, std::uintptr_t, std::intptr_t)>;

inline constexpr unsigned WM_SYSCOMMAND = 0x112;
inline constexpr unsigned MF_STRING = 0x0;
inline constexpr unsigned MF_SEPARATOR = 0x800;
inline constexpr int GWL_WNDPROC = -4;
inline constexpr std::intptr_t HWND_TOPMOST = -1;
inline constexpr std::intptr_t HWND_NOTOPMOST = -2;
inline constexpr unsigned SWP_NOSIZE = 0x1;
inline constexpr unsigned SWP_NOMOVE = 0x2;

// The platform's own commands of the window menu.
inline constexpr std::uintptr_t SC_MINIMIZE = 0xF020;
inline constexpr std::uintptr_t SC_MAXIMIZE = 0xF030;
inline constexpr std::uintptr_t SC_CLOSE = 0xF060;
inline constexpr std::uintptr_t SC_RESTORE = 0xF120;

// The window-system calls behind the window menu: the menu of a window,
// items appended to it, the window procedure that receives the commands
// chosen (WM_SYSCOMMAND with the item's identifier), and the topmost state.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    virtual MenuHandle GetSystemMenu(Hwnd window, bool revert) = 0;
    virtual bool AppendMenuA(MenuHandle menu, unsigned flags, std::uintptr_t id, const std::string& text) = 0;
    // Installs `procedure` (index GWL_WNDPROC) and returns the one it replaces.
    virtual WndProc SetWindowLongA(Hwnd window, int index, WndProc procedure) = 0;
    virtual std::intptr_t CallWindowProcA(const WndProc& procedure, Hwnd window, unsigned message,
                                          std::uintptr_t wparam, std::intptr_t lparam) = 0;
    virtual bool SetWindowPos(Hwnd window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                              unsigned flags) = 0;
};

}  // namespace pelmora
