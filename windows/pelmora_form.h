#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "access/access_status.h"
#include "app/poll_session.h"
#include "app/window_controller.h"
#include "app/window_view.h"
#include "app/shell_services.h"
#include "desktop/desktop_settings.h"
#include "form/menu.h"
#include "form/settings.h"
#include "form/startup.h"
#include "form/window_design.h"
#include "gateway/poll_cycle.h"
#include "platform/controls_view.h"
#include "platform/window_frame.h"
#include "platform/window_timer.h"
#include "win32/win32_calendar.h"
#include "win32/win32_window_system.h"
#include "windows/history_window.h"
#include "windows/site_window.h"

namespace pelmora {

// The main window as a native Win32 window: the 35 controls of the design
// placed from their twips through the screen's real DPI, the poll timer,
// the window menu and the events of the design; with a site, the battery
// row. What it does beyond drawing is its controller's.
class Pelmorafrm : public ControlsView, public WindowFrame, public WindowTimer, public EventPump, public WindowView {
public:
    // Throws std::runtime_error when the window cannot be made.
    Pelmorafrm(ShellServices services, StartInfo start);
    ~Pelmorafrm() override;
    Pelmorafrm(const Pelmorafrm&) = delete;
    Pelmorafrm& operator=(const Pelmorafrm&) = delete;

    void Form_Load() { m_controller->Load(); }
    void open_options() { m_controller->OpenOptions(); }
    // The history window, made at its first opening.
    HistoryWindow& open_history();
    void ApplyDesktop(const DesktopSettings& desktop) { m_controller->ApplyDesktop(desktop); }
    void ShowOrHide() { m_controller->ShowOrHide(); }
    // Shown in front, as a second start asks.
    void ShowInFront() { show_in_front(); }
    void Quit() { m_controller->Quit(); }
    void Startbtn_Click() { m_controller->Startbtn_Click(); }
    void Stopbtn_Click() { m_controller->Stopbtn_Click(); }
    // The window's messages, from its window procedure.
    std::intptr_t Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
    // A double-click on an edit box (the design's Grid and IP).
    void DoubleClicked(std::string_view control);

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
    std::string caption() const override { return m_caption; }
    void set_caption(const std::string& caption) override;
    Hwnd handle() const override { return m_window; }
    void show() override;

    // WindowTimer and EventPump
    bool enabled() const override { return m_timer_on; }
    void set_enabled(bool enabled) override;
    int interval() const override { return m_interval; }
    void set_interval(int milliseconds) override;
    void restart() override;
    void post_tick() override;
    void process_pending_events() override;

    // WindowView
    void show_site_row(bool shown) override;
    void set_box_visible(std::string_view box, bool shown) override;
    void set_window_tooltip(const std::string& text) override { update_tip(m_window, text); }
    void defer(std::function<void()> later) override;
    void open_options(const OptionsContent& content) override;
    void show_history() override { (void)open_history(); }
    void close_history() override;
    void show_site(const SiteWindowView& content) override;
    void draw_site(const SiteWindowView& content) override;
    void close_site() override;
    // The Site window, once opened.
    SiteWindow* site_window() const { return m_site_window.get(); }
    bool shown() const override;
    void hide() override;
    void minimize() override;
    void show_in_front() override;
    void close_window() override { close(); }
    ScreenSize screen_size(bool work_area) const override;
    // A restored place whose title bar is on no monitor's work area is moved onto the nearest one.
    void keep_title_bar_on_screen() override;

    WindowController& controller() { return *m_controller; }
    PollSession& session() { return m_controller->session(); }
    // The child window of a control of the design, or 0.
    Hwnd control(std::string_view name) const;

private:
    struct Control;
    void build_controls();
    void add_control(const ControlDesign& design, int id);
    void update_tip(Hwnd tool, const std::string& text);
    void close();
    int pixels(int twips) const;
    int twips(int pixels) const;
    const Control* find(std::string_view name) const;

    ShellServices m_services;
    Hwnd m_window = 0;
    Hwnd m_tooltips = 0;
    int m_dpi = 96;
    std::map<std::string, std::unique_ptr<Control>, std::less<>> m_controls;
    std::map<Hwnd, Control*> m_by_window;   // the same controls by their windows
    std::map<int, std::uintptr_t> m_fonts;  // by ControlFont, HFONTs
    Win32WindowSystem m_system;
    std::unique_ptr<WindowController> m_controller;
    bool m_site_row = false;  // the battery row shows
    Win32Calendar m_calendar;
    std::unique_ptr<HistoryWindow> m_history_window;
    std::unique_ptr<SiteWindow> m_site_window;
    std::vector<std::function<void()>> m_deferred;
    std::string m_caption;
    bool m_timer_on = false;
    int m_interval = 1000;
};

}  // namespace pelmora
