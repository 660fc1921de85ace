#pragma once

#include <functional>
#include <string>

#include "desktop/desktop_settings.h"
#include "platform/session_start.h"
#include "platform/settings_store.h"

namespace pelmora {

// What the Desktop page works with.
struct DesktopServices {
    SettingsStore& settings;
    SessionStart& autostart;  // this program's start with the session
    // Puts saved settings in force (the tray, the alerts).
    std::function<void(const DesktopSettings&)> apply;
    // Whether the desktop has a tray; the tray's switches say so when not.
    bool tray_available = true;
};

}  // namespace pelmora
