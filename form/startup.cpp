#include "form/startup.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/failure.h"
#include "form/window_design.h"
#include "records/epoch_time.h"

namespace pelmora {

std::string ExecutableBaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::string ProgramNameIgnoringCase(const std::string& name) {
    auto same = [&name](std::string_view known) {
        return name.size() == known.size() && std::equal(name.begin(), name.end(), known.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (const std::string_view known : {std::string_view("Pelmora"), std::string_view(kConsumptionExecutable)}) {
        if (same(known)) return std::string(known);
    }
    return name;
}

std::string ArgumentText(const std::vector<std::string>& arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += ' ';
        text += arguments[i];
    }
    return text;
}

std::optional<std::string> CommandLineAnswer(const StartInfo& start) {
    if (start.arguments.size() != 1) return std::nullopt;
    const std::string name = ExecutableBaseName(start.executable);
    const std::string version = VersionedCaption(name).substr(name.size() + 2);  // "2.5.1"
    if (start.arguments[0] == "--version") return name + " " + version + "\n";
    if (start.arguments[0] != "--help") return std::nullopt;
    const bool consumption = name == kConsumptionExecutable;
    return "Usage: " + name +
           " [--tray] [ADDRESS]\n"
           "Shows, in real time, what the current-transformer meters of a solar monitoring gateway report:\n"
           "production, " +
           std::string(consumption ? "household consumption" : "consumption") +
           ", the grid flow, and per phase power, current and voltage.\n\n"
           "  ADDRESS      the gateway's host name or IP address, with :PORT if needed (envoy.local,\n"
           "               192.168.1.20, 10.0.0.5:8080); it must contain a \".\" and replaces the saved one\n"
           "  --tray       start hidden in the system tray (minimised where the tray is off)\n"
           "  --help       print this text and end\n"
           "  --version    print the version and end\n\n"
           "The window's menu (the right mouse button on the window, or the Menu key) holds stay on\n"
           "top, the settings column, the phase band, Options... (the gateway's token, publishing over\n"
           "MQTT, the tray, autostart and notifications), History... and About.\n"
           "Settings: $XDG_CONFIG_HOME/Pelmora/Pelmora.conf; history: $XDG_DATA_HOME/Pelmora/history/.\n";
}

std::string VersionedCaption(const std::string& caption) {
    return caption + " V" + std::to_string(PELMORA_VERSION_MAJOR) + "." + std::to_string(PELMORA_VERSION_MINOR) + "." +
           std::to_string(PELMORA_VERSION_PATCH);
}

void Form_Load(LoadContext& c) {
    c.menu.AddMenuItems("Stay On Top toggle..", "Show Settings...", "Show Phases...", "About...");
    c.globals.OnTopFlag = false;
    LoadSettings(c.settings, c.frame, c.view, c.system, c.globals, c.available_screen);
    c.frame.set_caption(VersionedCaption(c.frame.caption()));
    if (ExecutableBaseName(c.start.executable) == kConsumptionExecutable) {
        c.form.ConsumptionMode = true;
        c.view.set_text("Label8", std::string(kConsumptionHeader));
    }
    c.frame.show();
    try {
        c.form.ZoneOffset = GetZoneOffset(c.zone, c.view).value_or(0);
    } catch (const Failure&) {
        // A zone beyond any real offset: show UTC rather than stop the start.
        c.form.ZoneOffset = 0;
    }
    const std::string arguments = ArgumentText(c.start.arguments);
    if (arguments.find('.') != std::string::npos) c.view.set_text("IP", arguments);
}

void Form_Unload(SettingsStore& settings, const WindowFrame& frame, const ControlsView& view,
                 const ShellGlobals& globals, ScreenSize screen) {
    SaveSettings(settings, frame, view, globals, screen);
}

}  // namespace pelmora
