#pragma once

#include <QIcon>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gateway/gateway_request.h"
#include "gateway/poll_cycle.h"
#include "gateway/read_pace.h"
#include "phases/form_values.h"
#include "platform/controls_view.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "qt/qt_window_system.h"
#include "platform/regional_format.h"
#include "platform/settings_store.h"
#include "platform/tick_source.h"
#include "platform/time_zone_source.h"
#include "platform/window_frame.h"
#include "platform/window_timer.h"
#include "records/error_log.h"
#include "readings/finished_read.h"
#include "access/access_status.h"
#include "app/poll_session.h"
#include "app/shell_services.h"
#include "shell/history_window.h"
#include "shell/desktop_page.h"
#include "shell/publish_page.h"
#include "shell/tray_icon.h"
#include "form/menu.h"
#include "form/startup.h"
#include "site/said_once.h"
#include "site/site_stage.h"

class QTimer;

namespace pelmora {

// The program's icon at 16, 20, 24 and 32 pixels.
QIcon ApplicationIcon();

// The main window: 35 controls in their design state, laid out in twips
// (15 twips per pixel), the poll timer, and the window menu.
class Pelmorafrm : public QWidget, public ControlsView, public WindowFrame, public WindowTimer, public EventPump {
public:
    Pelmorafrm(ShellServices services, StartInfo start, QWidget* parent = nullptr);
    ~Pelmorafrm() override;

    void Form_Load();

    // Event handlers, callable directly.
    void Timer1_Timer() { m_poll.Timer1_Timer(); }
    // The caption says " - stopped" while polling is stopped.
    void Startbtn_Click();
    void Stopbtn_Click();
    // Closes the window as its close button does, even where that only hides it in the tray.
    void Quit();
    // Shows the window, or hides it in the tray when it is shown.
    void ShowOrHide();
    // [Desktop] in force: the tray icon shown or not, closing to it.
    void ApplyDesktop(const DesktopSettings& desktop);
    const DesktopSettings& desktop() const { return m_desktop; }
    void Delay_LostFocus() { m_poll.Delay_LostFocus(); }
    void CreateOutputchk_Click() { m_menu.CreateOutputchk_Click(); }
    // The battery row under Grid, shown while the site has a battery: its
    // power (light blue while charging, light orange while discharging) and
    // the house load without it beside it. Everything below moves down one
    // row while it shows.
    void show_site(const SiteView& site);
    void Grid_DblClick() { m_menu.Grid_DblClick(); }
    void IP_DblClick() { m_menu.IP_DblClick(); }
    // Opens the history window, or brings it forward when open.
    HistoryWindow& open_history();
    // The Options dialog, modal, with a page per service the window has.
    void open_options();

    // ControlsView
    std::string text(std::string_view control) const override;
    void set_text(std::string_view control, const std::string& text) override;
    OleColor back_color(std::string_view control) const override;
    void set_back_color(std::string_view control, OleColor color) override;
    std::string tooltip(std::string_view control) const override;
    void set_tooltip(std::string_view control, const std::string& text) override;
    int value(std::string_view control) const override;
    void set_value(std::string_view control, int value) override;

    // WindowFrame, in twips of the outer window.
    int Left() const override;
    int Top() const override;
    int Width() const override;
    int Height() const override;
    void SetLeft(int twips) override;
    void SetTop(int twips) override;
    void SetWidth(int twips) override;
    void SetHeight(int twips) override;
    std::string caption() const override;
    void set_caption(const std::string& caption) override;
    Hwnd handle() const override;
    void show() override;

    // WindowTimer and EventPump
    bool enabled() const override;
    void set_enabled(bool enabled) override;
    int interval() const override;
    void set_interval(int milliseconds) override;
    void restart() override;
    void post_tick() override;
    void process_pending_events() override;

    FormValues& form() { return m_session.form(); }
    ShellGlobals& globals() { return m_globals; }
    QtWindowSystem& window_system() { return m_system; }
    PollCycle& poll() { return m_poll; }
    QWidget* control(std::string_view name) const;
    // The primary screen in twips.
    ScreenSize screen_size() const;
    ScreenSize available_screen_size() const;
    // A restored place whose title bar is on no screen's free area is moved onto the nearest one.
    void keep_title_bar_on_screen();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // The settings column shows only where the design's frame would not cut
    // it off, whatever frame the desktop draws.
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_controls();
    void read();
    void after_read();
    QSize frame_extra() const;
    bool frame_known() const;
    void apply_pending_size();

    ShellServices m_services;
    StartInfo m_start;
    PollSession m_session;
    ShellGlobals m_globals;
    QtWindowSystem m_system;
    Menu m_menu;
    bool m_battery_row = false;
    std::string m_caption;  // as set, without the polling note
    DesktopSettings m_desktop;
    bool m_quitting = false;
    PollCycle m_poll;
    QTimer* m_timer = nullptr;
    std::optional<AccessStatus> m_access_status;
    std::unique_ptr<HistoryWindow> m_history_window;
    std::map<std::string, QWidget*, std::less<>> m_controls;
    std::map<std::string, OleColor, std::less<>> m_back_colors;
    std::map<std::string, QPalette, std::less<>> m_design_palettes;
    bool m_unloaded = false;
    // Outer sizes set before the platform reported the frame; applied again
    // once it does, so that the outer size is the one asked for.
    std::optional<int> m_pending_width;
    std::optional<int> m_pending_height;
};

}  // namespace pelmora
