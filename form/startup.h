#pragma once

#include <optional>
#include <string>
#include <vector>

#include "phases/form_values.h"
#include "platform/controls_view.h"
#include "platform/settings_store.h"
#include "platform/time_zone_source.h"
#include "platform/window_frame.h"
#include "platform/window_system.h"
#include "form/menu.h"
#include "form/settings.h"

namespace pelmora {

inline constexpr const char* kConsumptionExecutable = "PelmoraB";

// How the program was started: argv[0] as given (links not resolved) and the
// arguments after the program name.
struct StartInfo {
    std::string executable;
    std::vector<std::string> arguments;
};

// The file name of `path` without folder and extension.
std::string ExecutableBaseName(const std::string& path);

// For a system whose file names ignore case: "pelmorab" as typed in a
// command window is PelmoraB, and "PELMORA" Pelmora; any other name as it is.
std::string ProgramNameIgnoringCase(const std::string& name);

// The argument text: the arguments after the program name joined by one blank.
std::string ArgumentText(const std::vector<std::string>& arguments);

// "Pelmora" + " V2.5.1": the caption with the program's version.
std::string VersionedCaption(const std::string& caption);

// What "--help" or "--version", as the only argument, prints before the
// program ends; nothing for any other command line, which is the address.
std::optional<std::string> CommandLineAnswer(const StartInfo& start);

struct LoadContext {
    Menu& menu;
    ShellGlobals& globals;
    SettingsStore& settings;
    WindowFrame& frame;
    ControlsView& view;
    WindowSystem& system;
    const TimeZoneSource& zone;
    FormValues& form;
    StartInfo start;
    ScreenSize available_screen;  // the screen's area free of panels; 0 by 0 when unknown
};

// The window's load: menu commands, settings, caption, the PelmoraB mode,
// show, zone offset, and a command-line address containing a ".".
void Form_Load(LoadContext& context);

// The window's unload: saves the settings.
void Form_Unload(SettingsStore& settings, const WindowFrame& frame, const ControlsView& view,
                 const ShellGlobals& globals, ScreenSize screen);

}  // namespace pelmora
