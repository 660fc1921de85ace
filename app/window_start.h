#pragma once

#include "app/core_services.h"
#include "app/window_controller.h"
#include "desktop/desktop_services.h"

namespace pelmora {

// What both programs do once the window is made, in this order: the
// Desktop page's settings go to the window and to the alerts; the window
// loads; a start to the tray hides it there (minimised where there is no
// tray); publishing starts for the address the window shows.
void StartMainWindow(WindowController& controller, CoreServices& core, DesktopServices& desktop, bool to_tray);

}  // namespace pelmora
