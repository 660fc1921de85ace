#include "windows/single_instance.h"

#include <windows.h>

#include <algorithm>

#include "win32/utf16.h"

#include "win32/object_procedure.h"

namespace pelmora {

namespace {

constexpr const wchar_t* kInstanceClass = L"PelmoraInstance";
constexpr UINT kShowYourself = WM_APP + 20;
constexpr UINT kQuitPlease = WM_APP + 21;  // the installer's, before it replaces or removes the program
constexpr UINT kQuitNow = WM_APP + 22;     // quitting after the installer's call has had its answer

// Windows file names ignore case, so the name that finds the first start does too.
std::wstring instance_name(const std::string& program) {
    std::wstring name = L"Pelmora." + Utf16(program);
    CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& program) : m_name(instance_name(program)) {
    m_mutex = CreateMutexW(nullptr, TRUE, (L"Local\\" + m_name).c_str());
    m_first = m_mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (m_window != 0) DestroyWindow(reinterpret_cast<HWND>(m_window));
    if (m_mutex != nullptr) {
        if (m_first) ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }
}

bool SingleInstance::ShowFirst(unsigned wait_ms) const {
    const ULONGLONG deadline = GetTickCount64() + wait_ms;
    // The first start may still be opening its window.
    for (ULONGLONG now = GetTickCount64(); now <= deadline; now = GetTickCount64()) {
        if (HWND first = FindWindowW(kInstanceClass, m_name.c_str())) {
            DWORD process = 0;
            GetWindowThreadProcessId(first, &process);
            // The first start may then bring its window to the front.
            AllowSetForegroundWindow(process);
            DWORD_PTR answer = 0;
            const UINT left = static_cast<UINT>(std::max<ULONGLONG>(deadline - now, 1));
            if (SendMessageTimeoutW(first, kShowYourself, 0, 0, SMTO_ABORTIFHUNG, left, &answer) != 0) return true;
        }
        Sleep(static_cast<DWORD>(std::min<ULONGLONG>(200, deadline - std::min(deadline, GetTickCount64())) + 1));
    }
    return false;
}

void SingleInstance::Listen(std::function<void()> show, std::function<void()> quit) {
    m_show = std::move(show);
    m_quit = std::move(quit);
    if (m_window != 0) return;
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = ObjectProcedure<SingleInstance>;
    type.hInstance = module;
    type.lpszClassName = kInstanceClass;
    RegisterClassExW(&type);
    m_window = reinterpret_cast<Hwnd>(
        CreateWindowExW(0, kInstanceClass, m_name.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module, this));
}

std::intptr_t SingleInstance::Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    if (message == kShowYourself) {
        if (m_show) m_show();
        return 1;
    }
    if (message == kQuitPlease) {
        if (m_quit) PostMessageW(reinterpret_cast<HWND>(m_window), kQuitNow, 0, 0);
        return 1;
    }
    if (message == kQuitNow) {
        if (m_quit) m_quit();
        return 0;
    }
    return DefWindowProcW(reinterpret_cast<HWND>(m_window), message, wparam, lparam);
}

}  // namespace pelmora
