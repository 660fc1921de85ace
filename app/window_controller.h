#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "access/access_status.h"
#include "app/poll_session.h"
#include "app/shell_services.h"
#include "app/window_view.h"
#include "desktop/desktop_settings.h"
#include "form/menu.h"
#include "form/startup.h"
#include "gateway/poll_cycle.h"
#include "platform/controls_view.h"
#include "platform/tray_icon.h"
#include "platform/window_frame.h"
#include "platform/window_system.h"
#include "platform/window_timer.h"

namespace pelmora {

// What a main window is made of, as its controller drives it.
struct MainWindowParts {
    ControlsView& controls;
    WindowFrame& frame;
    WindowTimer& timer;
    EventPump& pump;
    WindowSystem& system;
    WindowView& view;
};

// Everything the main window does beyond drawing, the same for every front
// end: the poll session and its cycle, the window menu and its commands,
// token access's caption and the changed-key question, the site row and
// the site's notes, the tray's tooltip and colour, Start and Stop, closing
// to the tray, the Desktop settings in force and the Options dialog's pages.
// The window forwards its events here and draws what it is told.
class WindowController {
public:
    // `notes`, where given, gets each of the site's notes once per run.
    WindowController(ShellServices services, StartInfo start, MainWindowParts parts, std::ostream* notes = nullptr);
    WindowController(const WindowController&) = delete;
    WindowController& operator=(const WindowController&) = delete;

    // The window's load: settings, menu, caption, the Desktop settings, the session.
    void Load();

    // The window's events.
    void Timer1_Timer() { m_poll.Timer1_Timer(); }
    void Delay_LostFocus() { m_poll.Delay_LostFocus(); }
    void CreateOutputchk_Click() { m_menu.CreateOutputchk_Click(); }
    void Grid_DblClick() { m_menu.Grid_DblClick(); }
    void IP_DblClick() { m_menu.IP_DblClick(); }
    // The caption says " - stopped" while polling is stopped.
    void Startbtn_Click();
    void Stopbtn_Click();
    void StartOrStop();
    bool polling() const { return m_parts.timer.enabled(); }
    bool shown() const { return m_parts.view.shown(); }

    // What the window's title shows for the caption set: the caption, the
    // second meter's misfit and " - stopped" while polling is stopped.
    std::string ShownCaption(const std::string& caption) const;

    enum class CloseStep {
        HideInTray,  // the close only hides the window: polling goes on
        Close        // the window closes; the settings were kept
    };
    // What a close of the window does; the first close that is one keeps the settings.
    CloseStep Closing();
    // Closes the window whatever the Desktop settings say, and so ends the program.
    void Quit();
    // Shows the window in front, or hides it when it is shown.
    void ShowOrHide();
    // A start to the tray: the window hidden there, or minimised where no tray icon shows.
    void StartInTray();
    // The gateway's address as the window shows it.
    std::string address() const { return m_parts.controls.text("IP"); }
    // [Desktop] in force: the tray icon shown or not, closing to it.
    void ApplyDesktop(const DesktopSettings& desktop);
    const DesktopSettings& desktop() const { return m_desktop; }
    // The Options dialog with a page per service the window has.
    void OpenOptions();
    void OpenHistory() { m_parts.view.show_history(); }
    // The Site window with what the gateway's documents say now.
    void OpenSite();
    SiteWindowView SiteContent();

    PollSession& session() { return m_session; }
    FormValues& form() { return m_session.form(); }
    ShellGlobals& globals() { return m_globals; }
    Menu& menu() { return m_menu; }
    PollCycle& poll() { return m_poll; }
    // Whether the battery row shows.
    bool site_row() const { return m_site_row; }

private:
    void read();
    void after_read();
    void show_site(const SiteView& site);
    void show_tray(const PollOutcome& outcome);
    void redraw_caption() { m_parts.frame.set_caption(m_parts.frame.caption()); }

    ShellServices m_services;
    StartInfo m_start;
    MainWindowParts m_parts;
    std::ostream* m_notes;
    ShellGlobals m_globals;
    Menu m_menu;
    PollSession m_session;
    PollCycle m_poll;
    std::optional<AccessStatus> m_access_status;
    DesktopSettings m_desktop;
    bool m_site_row = false;
    bool m_charge_shown = false;
    std::uint64_t m_site_drawn = 0;  // the equipment's changes the Site window last drew
    bool m_quitting = false;
    bool m_unloaded = false;
};

// The tray's menu on the controller `controller` names once the window is
// made (before, nothing is done; the icon is made before the window): Show
// or Hide, Start or Stop, History..., Options... and Quit.
TrayActions MainWindowTrayActions(WindowController* const& controller);

}  // namespace pelmora
