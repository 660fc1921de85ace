#include "win32/win32_window_system.h"

#include <windows.h>

#include "win32/utf16.h"

namespace pelmora {

namespace {

constexpr const wchar_t* kOwner = L"PelmoraWindowSystem";

LRESULT CALLBACK installed(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* system = static_cast<Win32WindowSystem*>(GetPropW(window, kOwner));
    const Hwnd handle = reinterpret_cast<Hwnd>(window);
    return system->Dispatch(handle, message, wparam, lparam);
}

}  // namespace

Win32WindowSystem::~Win32WindowSystem() {
    for (const auto& [window, original] : m_originals) {
        HWND handle = reinterpret_cast<HWND>(window);
        if (!IsWindow(handle)) continue;
        SetWindowLongPtrW(handle, GWLP_WNDPROC, original);
        RemovePropW(handle, kOwner);
    }
}

MenuHandle Win32WindowSystem::GetSystemMenu(Hwnd window, bool revert) {
    return reinterpret_cast<MenuHandle>(::GetSystemMenu(reinterpret_cast<HWND>(window), revert ? TRUE : FALSE));
}

bool Win32WindowSystem::AppendMenuA(MenuHandle menu, unsigned flags, std::uintptr_t id, const std::string& text) {
    const std::wstring wide = Utf16(text);
    return ::AppendMenuW(reinterpret_cast<HMENU>(menu), flags, id,
                         (flags & MF_SEPARATOR) != 0 ? nullptr : wide.c_str()) != FALSE;
}

WndProc Win32WindowSystem::SetWindowLongA(Hwnd window, int index, WndProc procedure) {
    if (index != GWLP_WNDPROC) return {};
    HWND handle = reinterpret_cast<HWND>(window);
    WndProc previous;
    if (const auto found = m_procedures.find(window); found != m_procedures.end()) {
        previous = found->second;
    } else {
        const LONG_PTR original = GetWindowLongPtrW(handle, GWLP_WNDPROC);
        m_originals[window] = original;
        previous = [original](Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
            return static_cast<std::intptr_t>(CallWindowProcW(reinterpret_cast<WNDPROC>(original),
                                                              reinterpret_cast<HWND>(w), message, wparam, lparam));
        };
        SetPropW(handle, kOwner, this);
        SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&installed));
    }
    m_procedures[window] = std::move(procedure);
    return previous;
}

std::intptr_t Win32WindowSystem::CallWindowProcA(const WndProc& procedure, Hwnd window, unsigned message,
                                                 std::uintptr_t wparam, std::intptr_t lparam) {
    return procedure ? procedure(window, message, wparam, lparam) : 0;
}

bool Win32WindowSystem::SetWindowPos(Hwnd window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                                     unsigned flags) {
    return ::SetWindowPos(reinterpret_cast<HWND>(window), reinterpret_cast<HWND>(insert_after), x, y, cx, cy, flags) !=
           FALSE;
}

std::intptr_t Win32WindowSystem::Dispatch(Hwnd window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    const auto found = m_procedures.find(window);
    if (found == m_procedures.end() || !found->second) {
        HWND handle = reinterpret_cast<HWND>(window);
        return DefWindowProcW(handle, message, wparam, lparam);
    }
    // A copy: the procedure may install another while it runs.
    const WndProc procedure = found->second;
    return procedure(window, message, wparam, lparam);
}

}  // namespace pelmora
