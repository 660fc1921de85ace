#include "windows/tray_actions.h"

#include "windows/pelmora_form.h"

namespace pelmora {

TrayActions WindowTrayActions(Pelmorafrm* const& window) {
    TrayActions actions;
    actions.show_or_hide = [&window] {
        if (window != nullptr) window->ShowOrHide();
    };
    actions.shown = [&window] { return window != nullptr && window->shown(); };
    actions.polling = [&window] { return window != nullptr && window->enabled(); };
    actions.start_or_stop = [&window] {
        if (window == nullptr) return;
        if (window->enabled()) {
            window->Stopbtn_Click();
        } else {
            window->Startbtn_Click();
        }
    };
    actions.history = [&window] {
        if (window != nullptr) window->open_history();
    };
    actions.options = [&window] {
        if (window != nullptr) window->open_options();
    };
    actions.quit = [&window] {
        if (window != nullptr) window->Quit();
    };
    return actions;
}

}  // namespace pelmora
