#pragma once

#include <QIcon>
#include <QWidget>
#include <functional>
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
#include "app/window_controller.h"
#include "app/window_view.h"
#include "app/shell_services.h"
#include "shell/history_window.h"
#include "shell/site_window.h"
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
// (15 twips per pixel), the poll timer, and the window menu. What it does
// beyond drawing is its controller's.
class Pelmorafrm : public QWidget,
                   public ControlsView,
                   public WindowFrame,
                   public WindowTimer,
                   public EventPump,
                   public WindowView {
public:
    Pelmorafrm(const ShellServices& services, StartInfo start, QWidget* parent = nullptr);
    ~Pelmorafrm() override;

    void Form_Load() { m_controller.Load(); }

    // Event handlers, callable directly.
    void Timer1_Timer() { m_controller.Timer1_Timer(); }
    void Startbtn_Click() { m_controller.Startbtn_Click(); }
    void Stopbtn_Click() { m_controller.Stopbtn_Click(); }
    void Quit() { m_controller.Quit(); }
    void ShowOrHide() { m_controller.ShowOrHide(); }
    void ApplyDesktop(const DesktopSettings& desktop) { m_controller.ApplyDesktop(desktop); }
    const DesktopSettings& desktop() const { return m_controller.desktop(); }
    void Delay_LostFocus() { m_controller.Delay_LostFocus(); }
    void CreateOutputchk_Click() { m_controller.CreateOutputchk_Click(); }
    void Grid_DblClick() { m_controller.Grid_DblClick(); }
    void IP_DblClick() { m_controller.IP_DblClick(); }
    // Opens the history window, or brings it forward when open.
    HistoryWindow& open_history();
    void open_options() { m_controller.OpenOptions(); }

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

    // WindowView
    // The battery row under Grid: its power and the house load beside it.
    void show_site_row(bool shown) override;
    void set_box_visible(std::string_view box, bool shown) override;
    void set_window_tooltip(const std::string& text) override { setToolTip(QString::fromStdString(text)); }
    void defer(std::function<void()> later) override;
    void open_options(const OptionsContent& content) override;
    void show_history() override { (void)open_history(); }
    void close_history() override;
    void show_site(const SiteWindowView& content) override;
    void draw_site(const SiteWindowView& content) override;
    void close_site() override;
    // The Site window, once opened.
    SiteWindow* site_window() const { return m_site_window.get(); }
    bool shown() const override { return isVisible() && !isMinimized(); }
    void hide() override { QWidget::hide(); }
    void minimize() override { showMinimized(); }
    void show_in_front() override;
    void close_window() override { close(); }
    ScreenSize screen_size(bool work_area) const override;
    void keep_title_bar_on_screen() override;

    WindowController& controller() { return m_controller; }
    FormValues& form() { return m_controller.form(); }
    ShellGlobals& globals() { return m_controller.globals(); }
    QtWindowSystem& window_system() { return m_system; }
    PollCycle& poll() { return m_controller.poll(); }
    QWidget* control(std::string_view name) const;

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
    void add_site_row();
    QSize frame_extra() const;
    bool frame_known() const;
    void apply_pending_size();

    ShellServices m_services;
    QtWindowSystem m_system;
    QTimer* m_timer = nullptr;
    WindowController m_controller;
    bool m_battery_row = false;
    std::string m_caption;  // as set, without the notes the controller adds
    std::unique_ptr<HistoryWindow> m_history_window;
    std::unique_ptr<SiteWindow> m_site_window;
    std::map<std::string, QWidget*, std::less<>> m_controls;
    std::map<std::string, OleColor, std::less<>> m_back_colors;
    std::map<std::string, QPalette, std::less<>> m_design_palettes;
    // Outer sizes set before the platform reported the frame; applied again
    // once it does, so that the outer size is the one asked for.
    std::optional<int> m_pending_width;
    std::optional<int> m_pending_height;
};

}  // namespace pelmora
