#pragma once

#include <array>
#include <string>

#include "desktop/desktop_services.h"
#include "desktop/desktop_settings.h"

namespace pelmora {

// The alerts as the Desktop page names them, in kAlertKeys' order.
extern const std::array<const char*, kAlertKinds> kAlertTitles;

// What the Desktop page's fields hold.
struct DesktopForm {
    bool tray = false;
    bool close_to_tray = false;
    bool autostart = false;
    std::array<bool, kAlertKinds> alerts{};
    std::string threshold;    // the export threshold as typed
    std::string battery_low;  // the low battery charge as typed, in %
};

// The fields as the stored settings and the autostart entry have them.
DesktopForm LoadDesktopForm(const DesktopServices& services);

// Keeps the fields in [Desktop] and [Alerts], writes or removes the
// autostart entry and puts them in force; a threshold that is no number of
// watts, or a low charge that is no whole percent, keeps nothing. What the page then says.
std::string SaveDesktopForm(const DesktopServices& services, const DesktopForm& form);

}  // namespace pelmora
