#include "app/poll_session.h"

#include "access/token_keeper.h"
#include "form/settings.h"
#include "form/window_design.h"
#include "history/today_text.h"
#include "readings/pelmora_read.h"
#include "records/stored_value.h"
#include "site/equipment_text.h"
#include "site/site_text.h"

namespace pelmora {

PollSession::PollSession(PollServices services)
    : m_services(std::move(services)), m_log(m_services.files, m_services.format) {}

void PollSession::Load() {
    const auto stored = [&](const char* key) {
        return StoredBoolean(m_services.settings.GetSetting(kSettingsApp, kGatewaySection, key, ""));
    };
    m_backoff = stored("Backoff");
    m_named_mode = m_form.ConsumptionMode;
    m_mode_from_list = stored(kModeFromListKey).value_or(false);
}

void PollSession::set_mode_from_list(bool on) {
    m_mode_from_list = on;
    m_services.settings.SaveSetting(kSettingsApp, kGatewaySection, kModeFromListKey, on ? "true" : "false");
    if (!on) m_form.ConsumptionMode = m_named_mode;
}

PollOutcome PollSession::Tick() {
    PollOutcome outcome;
    // The pace is looked at only where it is on, so that plain reads keep
    // their timing to the tick.
    m_pace.set_enabled(m_backoff.value_or(m_services.request.scheme() == "https://"));
    if (m_pace.enabled()) {
        if (const std::uint32_t wait = m_pace.waiting(m_services.ticks.GetTickCount()); wait > 0) {
            m_services.view.set_text("TimeStamp", "Next read in " + std::to_string((wait + 999) / 1000) + " s");
            return outcome;
        }
    }
    const ReadContext context{m_services.view, m_services.request, m_services.ticks, m_services.format,
                              m_log,           m_services.files};
    FinishedRead finished;
    PelmoraRead(context, m_form, &finished);
    outcome.read = true;
    if (m_pace.enabled()) m_pace.After(finished.request_failed, m_services.ticks.GetTickCount());
    for (FinishedReadSink* sink : m_services.finished_reads) sink->OnFinishedRead(finished);
    if (m_services.site != nullptr && !finished.request_failed) {
        const std::optional<SiteReading>& site = m_services.site->latest();
        outcome.site = site_view(site ? &*site : nullptr);
    }
    const std::optional<BatteryState> battery =
        m_services.equipment != nullptr ? BatteryOf(m_services.equipment->equipment()) : std::nullopt;
    if (outcome.site) outcome.site->row = WithCharge(std::move(outcome.site->row), battery);
    if (m_services.history != nullptr && !finished.request_failed) outcome.tooltips = today_tooltips();
    outcome.tray = TrayStateOf(finished, m_services.program);
    if (!finished.request_failed && battery && battery->charge)
        outcome.tray->tooltip += "\nBattery " + ChargeText(*battery->charge);
    return outcome;
}

SiteView PollSession::site_view(const SiteReading* site) {
    SiteView view;
    view.row = SiteRowOf(site);
    if (m_mode_from_list && site != nullptr) {
        // The next reads take the second meter for what the list says it is.
        if (const std::optional<bool> listed = ListedConsumptionMode(*site)) m_form.ConsumptionMode = *listed;
    }
    const bool misfits = site != nullptr && ModeMisfits(*site, m_form.ConsumptionMode);
    view.caption_changed = misfits != m_mode_misfits;
    m_mode_misfits = misfits;
    const std::string notes = site != nullptr ? SiteNotes(*site, m_form.ConsumptionMode) : std::string();
    if (notes != m_site_notes) {
        m_site_notes = notes;
        view.notes = notes;
        view.fresh_notes = m_said_notes.NewLines(notes);
    }
    return view;
}

std::vector<std::pair<std::string, std::string>> PollSession::today_tooltips() {
    const std::optional<TodayTexts> today =
        TodayTextsOf(m_services.history->Day(m_services.history->Today()).minutes, m_services.history->tariff());
    if (!today) return {};
    std::vector<std::pair<std::string, std::string>> tooltips;
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.name == "Production") tooltips.emplace_back(d.name, std::string(d.tooltip) + "\n" + today->produced);
        if (d.name == "Grid") tooltips.emplace_back(d.name, std::string(d.tooltip) + "\n" + today->grid);
    }
    return tooltips;
}

}  // namespace pelmora
