#include "shell/startup.h"

#include "platform/failure.h"
#include "platform/window_design.h"
#include "records/epoch_time.h"

namespace pelmora {

std::string ExecutableBaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
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
