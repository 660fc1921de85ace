#include "app/window_start.h"

namespace pelmora {

void StartMainWindow(WindowController& controller, CoreServices& core, DesktopServices& desktop, bool to_tray) {
    desktop.apply = [&controller, &core](const DesktopSettings& settings) {
        controller.ApplyDesktop(settings);
        core.alerts().Configure(settings);
    };
    controller.Load();
    if (to_tray) controller.StartInTray();
    core.StartPublishing(controller.address());
}

}  // namespace pelmora
