#pragma once

#include "platform/tray_icon.h"

namespace pelmora {

class Pelmorafrm;

// The notification-area menu's actions on the main window: Show or Hide,
// Start or Stop, History..., Options... and Quit. The icon is made before
// the window, so `window` names it once it is made; nothing is done before.
TrayActions WindowTrayActions(Pelmorafrm* const& window);

}  // namespace pelmora
