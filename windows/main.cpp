// Pelmora for Windows: the window on a solar gateway's meters. Wires the
// Win32 sides (registry, WinHTTP, files, tick count, zone, regional format,
// message box) into the native window.
// The seams' headers come before <windows.h>, whose macros bear the names
// of their constants.
#include "win32/registry_settings_store.h"
#include "win32/utf16.h"
#include "win32/win32_file_system.h"
#include "win32/win32_message_box.h"
#include "win32/win32_regional_format.h"
#include "win32/win32_tick_source.h"
#include "win32/win32_time_zone.h"
#include "win32/winhttp_request.h"
#include "windows/pelmora_form.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <exception>
#include <string>
#include <vector>

namespace {

// The executable as started, with "/" between folders, and the arguments after it.
pelmora::StartInfo start_info() {
    pelmora::StartInfo start;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    start.executable = pelmora::Utf8(path);
    for (char& c : start.executable) {
        if (c == '\\') c = '/';
    }
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; arguments != nullptr && i < count; ++i) start.arguments.push_back(pelmora::Utf8(arguments[i]));
    LocalFree(arguments);
    return start;
}

// The message loop, until the window is closed; Tab moves between the controls.
int run(pelmora::Pelmorafrm& window) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(reinterpret_cast<HWND>(window.handle()), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    pelmora::Win32TickSource ticks;
    pelmora::Win32RegionalFormat format;
    pelmora::Win32FileSystem files;
    pelmora::Win32TimeZone zone;
    pelmora::RegistrySettingsStore settings;
    pelmora::Win32MessageBox about;
    pelmora::WinHttpGatewayRequest request;

    try {
        pelmora::Pelmorafrm window(pelmora::FormServices{request, ticks, format, files, zone, settings, about},
                                   start_info());
        window.Form_Load();
        return run(window);
    } catch (const std::exception&) {
        return 1;
    }
}
