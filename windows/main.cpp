// Pelmora for Windows: the window on a solar gateway's meters. Wires the
// Win32 sides (registry, WinHTTP, files, tick count, zone, regional format,
// message box, Credential Manager) and the core's services over them into
// the native window.
// The seams' headers come before <windows.h>, whose macros bear the names
// of their constants.
#include "app/core_services.h"
#include "win32/credential_secret_store.h"
#include "win32/known_folders.h"
#include "win32/owner_file_secret_store.h"
#include "win32/registry_settings_store.h"
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

// No broker and no notifications yet on Windows: publishing stays off and alerts are not shown.
class NoBroker : public pelmora::MessageBus {
public:
    void Start(const pelmora::BusOptions&) override {}
    void Publish(const pelmora::BusMessage&) override {}
    void Stop(const std::vector<pelmora::BusMessage>&) override {}
    std::string State() const override { return "Not started"; }
};

class NoNotifier : public pelmora::Notifier {
public:
    void Notify(const std::string&, const std::string&) override {}
};

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
    pelmora::WinHttpGatewayRequest plain;
    const pelmora::StartInfo start = start_info();
    const std::string program = pelmora::ExecutableBaseName(start.executable);

    // The gateway: plain http, or HTTPS with the owner token once one is set;
    // the site, its counters and history over it.
    pelmora::Win32WallClock clock;
    pelmora::Win32Calendar calendar;
    pelmora::CredentialSecretStore keychain(pelmora::kSettingsApp);
    pelmora::OwnerFileSecretStore token_file(pelmora::RoamingFolderPath("token"));
    pelmora::OwnerFileSecretStore password_file(pelmora::RoamingFolderPath("mqtt-password"));
    pelmora::WinHttpsTransport https;
    NoBroker bus;
    NoNotifier notifier;
    std::ostringstream log;  // a window program has no console
    try {
        pelmora::CoreServices core(pelmora::PlatformServices{
            files, settings, clock, calendar, keychain, token_file, password_file, https, plain, bus, notifier, log,
            [] { return std::make_unique<pelmora::WinHttpGatewayRequest>(); },
            [] { return std::make_unique<pelmora::WinHttpsTransport>(); }, program, pelmora::LocalFolderPath("history"),
            pelmora::LocalFolderPath("counters-" + program)});
        pelmora::Pelmorafrm window(
            pelmora::ShellServices{core.request(), ticks, format, files, zone, settings, about, &core.access(), nullptr,
                                   &core.history(), core.finished_reads(), &core.site()},
            start);
        about.set_owner(window.handle());
        window.Form_Load();
        const int status = run(window);
        core.Close();
        return status;
    } catch (const std::exception&) {
        return 1;
    }
}
