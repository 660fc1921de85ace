// The window menu and the window procedure on a real window under Wine
// (with a display: tools/windows.sh gives the run one).
#include <gtest/gtest.h>

#include <vector>

#include "win32/win32_window_system.h"

#include <windows.h>

namespace pelmora {
namespace {

HWND plain_window() {
    WNDCLASSW type{};
    type.lpfnWndProc = DefWindowProcW;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"PelmoraTestWindow";
    RegisterClassW(&type);
    return CreateWindowExW(0, L"PelmoraTestWindow", L"Test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                           type.hInstance, nullptr);
}

TEST(Win32WindowSystem, MenuProcedureAndTopmost) {
    HWND window = plain_window();
    ASSERT_NE(window, nullptr);
    const Hwnd handle = reinterpret_cast<Hwnd>(window);
    Win32WindowSystem system;

    const MenuHandle menu = system.GetSystemMenu(handle, false);
    const int before = GetMenuItemCount(reinterpret_cast<HMENU>(menu));
    ASSERT_TRUE(system.AppendMenuA(menu, 0x800, 0, ""));
    ASSERT_TRUE(system.AppendMenuA(menu, 0x0, 1010, "Stay on top"));
    EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(menu)), before + 2);
    wchar_t text[64] = {};
    GetMenuStringW(reinterpret_cast<HMENU>(menu), 1010, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Stay on top");

    std::vector<std::uintptr_t> commands;
    WndProc previous;
    previous =
        system.SetWindowLongA(handle, -4, [&](Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
            if (message == 0x112 && wparam == 1010) {
                commands.push_back(wparam);
                return std::intptr_t{0};
            }
            return system.CallWindowProcA(previous, w, message, wparam, lparam);
        });
    ASSERT_TRUE(previous);
    SendMessageW(window, WM_SYSCOMMAND, 1010, 0);
    EXPECT_EQ(commands, (std::vector<std::uintptr_t>{1010}));
    // Everything else still reaches the window's own procedure.
    SetWindowTextW(window, L"Pelmora");
    wchar_t caption[32] = {};
    GetWindowTextW(window, caption, 32);
    EXPECT_STREQ(caption, L"Pelmora");

    ASSERT_TRUE(system.SetWindowPos(handle, -1, 0, 0, 0, 0, 0x1 | 0x2));
    EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    ASSERT_TRUE(system.SetWindowPos(handle, -2, 0, 0, 0, 0, 0x1 | 0x2));
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    DestroyWindow(window);
}

}  // namespace
}  // namespace pelmora
