// Pelmora for Windows: the window on a solar gateway's meters. Wires the
// Win32 sides (registry, WinHTTP, files, tick count, zone, regional format,
// message box, Credential Manager, notification area, Run key, mosquitto) and the
// core's services over them into the native window.
// The seams' headers come before <windows.h>, whose macros bear the names
// of their constants.
#include "app/core_services.h"
#include "app/program_folders.h"
#include "app/window_start.h"
#include "mqtt/mosquitto_bus.h"
#include "mqtt/windows_trust.h"
#include "win32/credential_secret_store.h"
#include "win32/known_folders.h"
#include "win32/notification_icon.h"
#include "win32/owner_file_secret_store.h"
#include "win32/registry_settings_store.h"
#include "win32/run_key_start.h"
#include "win32/utf16.h"
#include "win32/win32_calendar.h"
#include "win32/win32_file_system.h"
#include "win32/win32_message_box.h"
#include "win32/win32_regional_format.h"
#include "win32/win32_tick_source.h"
#include "win32/win32_time_zone.h"
#include "win32/winhttp_request.h"
#include "win32/winhttps_transport.h"
#include "windows/pelmora_form.h"
#include "windows/program_start.h"
#include "windows/single_instance.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <exception>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The program's own path, however long.
std::wstring own_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return path.substr(0, length);
        if (path.size() >= 32768) return path;
        path.resize(path.size() * 2);
    }
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
    const std::wstring exe_path = own_path();
    pelmora::WorkInOwnFolderWhenStartedInTheSystems(exe_path);
    const pelmora::ProgramStart how = pelmora::ProgramStartOf(exe_path, GetCommandLineW());
    const std::string program = pelmora::ExecutableBaseName(how.start.executable);
    // One poller per program name: a second start shows the first one's window and ends.
    pelmora::SingleInstance instance(program);
    if (!instance.first()) {
        if (instance.ShowFirst(5000)) return 0;
        MessageBoxW(nullptr,
                    pelmora::Utf16(program +
                                   " is already running but does not answer. End it in the Task Manager, "
                                   "then start " +
                                   program + " again.")
                        .c_str(),
                    pelmora::Utf16(program).c_str(), MB_OK | MB_ICONWARNING);
        return 1;
    }

    pelmora::Win32TickSource ticks;
    pelmora::Win32RegionalFormat format;
    pelmora::Win32FileSystem files;
    pelmora::Win32TimeZone zone;
    pelmora::RegistrySettingsStore settings;
    pelmora::Win32MessageBox about;
    pelmora::WinHttpGatewayRequest plain;

    // The gateway: plain http, or HTTPS with the owner token once one is set;
    // the site, its counters, history, publishing and the alerts over it.
    pelmora::Win32WallClock clock;
    pelmora::Win32Calendar calendar;
    pelmora::CredentialSecretStore keychain(pelmora::kSettingsApp);
    pelmora::OwnerFileSecretStore token_file(pelmora::RoamingFolderPath("token"));
    pelmora::OwnerFileSecretStore password_file(pelmora::RoamingFolderPath("mqtt-password"));
    pelmora::WinHttpsTransport https;
    pelmora::MosquittoBus bus(pelmora::WindowsTrustContext);
    pelmora::WindowController* controller = nullptr;  // the window's, once made
    pelmora::NotificationIcon tray(pelmora::MainWindowTrayActions(controller));
    std::ostringstream log;  // a window program has no console
    const std::string counters = pelmora::LocalFolderPath("counters-" + program);
    // Earlier versions made an empty folder at the state file's own name, which would keep it from being written.
    RemoveDirectoryW(pelmora::Utf16(counters).c_str());
    try {
        pelmora::CoreServices core(pelmora::PlatformServices{
            files, settings, clock, calendar, keychain, token_file, password_file, https, plain, bus, tray, log,
            [] { return std::make_unique<pelmora::WinHttpGatewayRequest>(); },
            [] { return std::make_unique<pelmora::WinHttpsTransport>(); }, program,
            pelmora::LocalFolderPath(pelmora::HistoryFolderName(program)), counters});
        pelmora::RunKeyStart autostart(program, how.exe_path);
        pelmora::DesktopServices desktop{settings, autostart, {}, true};
        pelmora::Pelmorafrm window(
            pelmora::ShellServices{core.request(), ticks, format, files, zone, settings, about, &core.access(),
                                   &core.publish(), &core.history(), core.finished_reads(), &core.site(), &desktop,
                                   &tray, &core.equipment(), &core.tariff_services()},
            how.start);
        controller = &window.controller();
        // The tray outlives the window: it reaches the window only while the window lives.
        struct Unshown {
            pelmora::WindowController*& controller;
            ~Unshown() { controller = nullptr; }
        } unshown{controller};
        about.set_owner(window.handle());
        instance.Listen([&window] { window.ShowInFront(); }, [&window] { window.Quit(); });
        pelmora::StartMainWindow(window.controller(), core, desktop, how.tray);
        const int status = run(window);
        core.Close();
        return status;
    } catch (const std::exception&) {
        return 1;
    }
}
