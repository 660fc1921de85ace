#include "app/window_controller.h"

#include <utility>

#include "access/token_text.h"
#include "form/settings.h"

namespace pelmora {

WindowController::WindowController(ShellServices services, StartInfo start, MainWindowParts parts, std::ostream* notes)
    : m_services(std::move(services)),
      m_start(std::move(start)),
      m_parts(parts),
      m_notes(notes),
      m_menu(parts.system, parts.frame, parts.controls, m_services.about, m_globals),
      m_session(PollServices{parts.controls, m_services.request, m_services.ticks, m_services.format, m_services.files,
                             m_services.settings, m_services.finished_reads, m_services.site, m_services.history,
                             ExecutableBaseName(m_start.executable), m_services.equipment}),
      m_poll(parts.controls, parts.timer, parts.pump, m_services.format, [this] { read(); }) {
    if (m_services.access != nullptr)
        m_access_status.emplace(*m_services.access, parts.frame, parts.controls, m_services.about);
}

void WindowController::Load() {
    LoadContext context{
        m_menu,         m_globals,       m_services.settings, m_parts.frame, m_parts.controls,
        m_parts.system, m_services.zone, m_session.form(),    m_start,       m_parts.view.screen_size(true)};
    pelmora::Form_Load(context);
    m_parts.view.keep_title_bar_on_screen();
    if (m_access_status || m_services.publish != nullptr || m_services.desktop != nullptr)
        m_menu.AddOptionsItem("Options...", [this] { OpenOptions(); });
    if (m_services.desktop != nullptr) ApplyDesktop(LoadDesktopSettings(m_services.settings, kSettingsApp));
    if (m_services.history != nullptr) m_menu.AddHistoryItem("History...", [this] { OpenHistory(); });
    if (m_services.equipment != nullptr && m_services.history != nullptr)
        m_menu.AddSiteItem("Site...", [this] { OpenSite(); });
    m_session.Load();
    if (m_access_status) {
        m_access_status->set_base_caption(m_parts.frame.caption());
        m_access_status->RefreshCaption();
    }
}

void WindowController::read() {
    PollOutcome outcome;
    try {
        outcome = m_session.Tick();
    } catch (...) {
        after_read();
        throw;
    }
    if (!outcome.read) return;
    if (outcome.site) show_site(*outcome.site);
    for (const auto& [name, text] : outcome.tooltips) m_parts.controls.set_tooltip(name, text);
    show_tray(outcome);
    if (m_services.equipment != nullptr && m_services.history != nullptr &&
        m_services.equipment->changes() != m_site_drawn) {
        m_site_drawn = m_services.equipment->changes();
        m_parts.view.draw_site(SiteContent());
    }
    after_read();
}

void WindowController::after_read() {
    // The question waits until the tick is over, so that the read never holds a dialog open.
    if (m_access_status && m_access_status->AfterRead()) m_parts.view.defer([this] { m_access_status->AskAboutKey(); });
}

void WindowController::show_tray(const PollOutcome& outcome) {
    if (m_services.tray == nullptr || !outcome.tray) return;
    m_services.tray->set_tooltip(outcome.tray->tooltip);
    if (outcome.tray->colour) m_services.tray->set_colour(*outcome.tray->colour);
}

void WindowController::show_site(const SiteView& site) {
    ControlsView& controls = m_parts.controls;
    const bool battery = site.row.battery;
    if (battery != m_site_row) {
        m_parts.view.show_site_row(battery);
        m_site_row = battery;
        m_charge_shown = battery;  // the row comes and goes with every box of it
    }
    for (const std::string& box : site.row.blank) {
        controls.set_text(box, "");
        controls.set_back_color(box, kWindowBackground);
    }
    if (site.caption_changed) redraw_caption();
    // What the site says beyond its figures: on the window's own tooltip, and each new note once.
    if (site.notes) m_parts.view.set_window_tooltip(*site.notes);
    if (m_notes != nullptr && !site.fresh_notes.empty()) *m_notes << "Pelmora: " << site.fresh_notes << std::flush;
    if (!battery) return;
    controls.set_text("Battery", site.row.battery_text);
    controls.set_back_color("Battery", site.row.battery_colour);
    controls.set_tooltip("Battery", site.row.battery_tooltip);
    controls.set_text("HouseLoad", site.row.house_load_text);
    controls.set_tooltip("HouseLoad", site.row.house_load_tooltip);
    const bool charge = !site.row.charge_text.empty();
    if (charge != m_charge_shown) {
        m_parts.view.set_box_visible("ChargeLabel", charge);
        m_parts.view.set_box_visible("Charge", charge);
        m_charge_shown = charge;
    }
    if (!charge) return;
    controls.set_text("Charge", site.row.charge_text);
    controls.set_tooltip("Charge", site.row.charge_tooltip);
}

SiteWindowView WindowController::SiteContent() {
    AccessDates dates;
    if (m_services.access != nullptr) {
        if (const std::optional<CertificateFacts> pin = m_services.access->request.pin_in_force();
            pin && pin->dates_known)
            dates.certificate_end = pin->not_after;
        if (const std::optional<std::string> token = m_services.access->keeper.Token()) {
            if (const TokenCheck check = DecodeToken(*token); check.facts) dates.token_end = check.facts->exp;
        }
    }
    return SiteWindowViewOf(*m_services.equipment, m_services.history->calendar(), dates);
}

void WindowController::OpenSite() {
    m_site_drawn = m_services.equipment->changes();
    m_parts.view.show_site(SiteContent());
}

std::string WindowController::ShownCaption(const std::string& caption) const {
    return caption + m_session.CaptionNote() + (m_parts.timer.enabled() ? "" : " - stopped");
}

void WindowController::Startbtn_Click() {
    m_poll.Startbtn_Click();
    redraw_caption();
}

void WindowController::Stopbtn_Click() {
    m_poll.Stopbtn_Click();
    redraw_caption();
}

void WindowController::StartOrStop() {
    if (polling()) {
        Stopbtn_Click();
    } else {
        Startbtn_Click();
    }
}

WindowController::CloseStep WindowController::Closing() {
    if (!m_quitting && m_desktop.close_to_tray && m_services.tray != nullptr && m_services.tray->visible())
        return CloseStep::HideInTray;
    if (!m_unloaded) {
        m_unloaded = true;
        m_parts.timer.set_enabled(false);
        Form_Unload(m_services.settings, m_parts.frame, m_parts.controls, m_globals, m_parts.view.screen_size(false));
        m_parts.view.close_history();
        m_parts.view.close_site();
    }
    return CloseStep::Close;
}

void WindowController::Quit() {
    m_quitting = true;
    m_parts.view.close_window();
}

void WindowController::ShowOrHide() {
    if (m_parts.view.shown()) {
        m_parts.view.hide();
    } else {
        m_parts.view.show_in_front();
    }
}

void WindowController::StartInTray() {
    if (m_services.tray != nullptr && m_services.tray->visible()) {
        m_parts.view.hide();
    } else {
        m_parts.view.minimize();
    }
}

void WindowController::ApplyDesktop(const DesktopSettings& desktop) {
    m_desktop = desktop;
    if (m_services.tray != nullptr) m_services.tray->set_visible(desktop.tray && m_services.tray->available());
}

void WindowController::OpenOptions() {
    OptionsContent content;
    content.access = m_services.access;
    content.mode = GatewayModeSwitch{m_session.mode_from_list(), [this](bool on) { m_session.set_mode_from_list(on); }};
    content.publish = m_services.publish;
    content.address = [this] { return address(); };
    if (m_services.desktop != nullptr) {
        content.desktop.emplace(*m_services.desktop);
        content.desktop->tray_available = m_services.tray != nullptr && m_services.tray->available();
    }
    content.tariff = m_services.tariff;
    m_parts.view.open_options(content);
    if (m_access_status) m_access_status->RefreshCaption();
}

TrayActions MainWindowTrayActions(WindowController* const& controller) {
    TrayActions actions;
    actions.show_or_hide = [&controller] {
        if (controller != nullptr) controller->ShowOrHide();
    };
    actions.shown = [&controller] { return controller != nullptr && controller->shown(); };
    actions.polling = [&controller] { return controller != nullptr && controller->polling(); };
    actions.start_or_stop = [&controller] {
        if (controller != nullptr) controller->StartOrStop();
    };
    actions.history = [&controller] {
        if (controller != nullptr) controller->OpenHistory();
    };
    actions.options = [&controller] {
        if (controller != nullptr) controller->OpenOptions();
    };
    actions.quit = [&controller] {
        if (controller != nullptr) controller->Quit();
    };
    return actions;
}

}  // namespace pelmora
