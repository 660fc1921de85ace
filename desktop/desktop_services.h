#pragma once

#include <functional>
#include <string>

#include "desktop/desktop_settings.h"
#include "platform/file_system.h"
#include "platform/settings_store.h"

namespace pelmora {

// What the Desktop page works with.
struct DesktopServices {
    SettingsStore& settings;
    FileSystem& files;
    std::string autostart_path;  // the session's autostart entry for this program
    std::string exec_path;       // the program's absolute path, for that entry
    std::string program;
    // Puts saved settings in force (the tray, the alerts).
    std::function<void(const DesktopSettings&)> apply;
    // Whether the desktop has a tray; the tray's switches say so when not.
    bool tray_available = true;
};

}  // namespace pelmora
