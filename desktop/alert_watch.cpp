#include "desktop/alert_watch.h"

#include <algorithm>
#include <utility>

#include "access/token_request.h"
#include "gateway/gateway_request.h"
#include "readings/number_text.h"

namespace pelmora {

namespace {

// A phase whose voltage is below this reads as dead.
constexpr double kDeadVolts = 1.0;
// A timestamp this far (seconds) below the highest one is a clock set back.
constexpr std::int64_t kClockSetBack = 600;

std::string watts(double w) { return FormatTenths(w) + " W"; }

// "Panel A" or "3 panels", and their serials, the first five of them.
std::pair<std::string, std::string> panels_named(const std::vector<std::string>& serials) {
    std::string list;
    for (std::size_t i = 0; i < serials.size() && i < 5; ++i) list += (i == 0 ? "" : ", ") + serials[i];
    if (serials.size() > 5) list += ", ...";
    if (serials.size() == 1) return {"Panel " + serials.front(), list};
    return {std::to_string(serials.size()) + " panels", list};
}

}  // namespace

void AlertWatch::tell(Alert alert, const std::string& summary, const std::string& body) {
    if (m_settings.alert(alert)) m_notifier.Notify(summary, body);
}

bool AlertWatch::follow(Held& held, bool condition, std::int64_t now, std::int64_t after) {
    if (!condition) {
        held.since.reset();
        if (!held.active) return false;
        held.active = false;
        return true;
    }
    if (!held.since) held.since = now;
    if (held.active || now - *held.since < after) return false;
    held.active = true;
    return true;
}

bool AlertWatch::follow_failure(bool& active, bool failure, bool failed) {
    // Started by its own failure; ended by a good read, not by another failure.
    if (failure == active || (active && failed)) return false;
    active = failure;
    return true;
}

void AlertWatch::OnFinishedRead(const FinishedRead& read) {
    const std::int64_t now = m_clock.EpochSeconds();
    const bool refused = read.request_failed && read.failure_text == kTokenRefused;
    const bool certificate = read.request_failed && read.failure_text == kCertificateChanged;
    const bool no_answer = read.request_failed && !refused && !certificate;

    if (follow(m_unreachable, no_answer, now, kUnreachableAfter)) {
        if (m_unreachable.active) {
            tell(Alert::Unreachable, "Gateway unreachable", read.address + " has not answered for 5 minutes.");
        } else {
            tell(Alert::Unreachable, "Gateway reachable again", read.address + " answers again.");
        }
    }
    if (follow_failure(m_refused, refused, read.request_failed)) {
        if (m_refused) {
            tell(Alert::TokenRefused, "Token refused",
                 "The gateway refused the token: paste a new one in Options, Gateway.");
        } else {
            tell(Alert::TokenRefused, "Token accepted again", "The gateway takes the token again.");
        }
    }
    if (follow_failure(m_certificate, certificate, read.request_failed)) {
        if (m_certificate) {
            tell(Alert::CertificateChanged, "Gateway certificate changed",
                 "Reads wait until you trust the new certificate in Options, Gateway.");
        } else {
            tell(Alert::CertificateChanged, "Gateway certificate trusted", "The gateway is read again.");
        }
    }
    expiry(now);
    if (read.equipment) equipment(*read.equipment, now);
    if (read.request_failed || !read.epoch) return;

    // Not moved: not past the highest timestamp seen, unless the gateway's
    // clock was set back for good.
    if (m_last_epoch && *read.epoch < *m_last_epoch - kClockSetBack) m_last_epoch.reset();
    const bool same = m_last_epoch && *read.epoch <= *m_last_epoch;
    if (!same) m_last_epoch = read.epoch;
    if (follow(m_stale, same, now, kHeldFor)) {
        if (m_stale.active) {
            tell(Alert::Stale, "Gateway data stale", "The gateway's timestamp has not moved for 60 s.");
        } else {
            tell(Alert::Stale, "Gateway data moving again", "The gateway's timestamp moves again.");
        }
    }
    for (std::size_t i = 0; i < read.phases.size(); ++i) {
        const double volts = read.phases[i].volts;
        const bool dead = m_had_voltage[i] && volts < kDeadVolts;
        if (volts >= kDeadVolts) m_had_voltage[i] = true;
        if (follow(m_dead[i], dead, now, kHeldFor)) {
            const std::string phase = "Phase " + std::to_string(i + 1);
            if (m_dead[i].active) {
                tell(Alert::DeadPhase, phase + " dead", phase + " has read 0 V for 60 s.");
            } else {
                tell(Alert::DeadPhase, phase + " back", phase + " reads " + FormatTenths(volts) + " V again.");
            }
        }
    }
    const bool no_export = read.production_w > m_settings.export_threshold_w && read.grid_w >= 0.0;
    if (follow(m_no_export, no_export, now, kHeldFor)) {
        if (m_no_export.active) {
            tell(Alert::ExportStopped, "Export stopped",
                 "Production is " + watts(read.production_w) + ", above " + watts(m_settings.export_threshold_w) +
                     ", but nothing has been exported for 60 s.");
        } else {
            tell(Alert::ExportStopped, "Export again", "The grid takes the surplus again, or production fell.");
        }
    }
}

void AlertWatch::equipment(const SiteEquipment& e, std::int64_t now) {
    if (const std::optional<bool> connected = GridConnected(e); connected && follow(m_cut_off, !*connected, now, 0)) {
        if (m_cut_off.active) {
            tell(Alert::GridCutOff, "Grid cut off", "The house runs on the battery and the panels.");
        } else {
            tell(Alert::GridCutOff, "Grid back", "The house is on the grid again.");
        }
    }
    const std::optional<BatteryState> battery = BatteryOf(e);
    if (battery && battery->charge) {
        const int chosen = m_settings.battery_low_percent;
        const int charge = *battery->charge;
        const bool low = charge < (m_battery_low ? std::min(chosen + kBatteryLowMargin, 100) : chosen);
        if (low != m_battery_low) {
            m_battery_low = low;
            const std::string text = "The battery is at " + std::to_string(charge) + " %";
            if (low) {
                tell(Alert::BatteryLow, "Battery low", text + ", below " + std::to_string(chosen) + " %.");
            } else {
                tell(Alert::BatteryLow, "Battery charged again", text + ".");
            }
        }
    }
    if (e.inverters) panels(*e.inverters);
    if (e.firmware_changes > m_firmware_changes && e.gateway) {
        tell(Alert::FirmwareChanged, "Gateway firmware changed",
             "The gateway now runs " + e.gateway->firmware + ", before " + e.previous_firmware +
                 ". If the readings stop, this is the likely reason.");
    }
    m_firmware_changes = e.firmware_changes;
}

void AlertWatch::panels(const std::vector<Inverter>& inverters) {
    const InverterSummary summary = SummaryOf(inverters);
    // The others of a silent panel are every panel but it; half of them report.
    const bool others_report = summary.count > 1 && 2 * summary.reporting >= summary.count - 1;
    std::vector<std::string> silent;
    std::vector<std::string> back;
    std::set<std::string> listed;
    for (const Inverter& inverter : inverters) {
        listed.insert(inverter.serial);
        const bool told = m_silent_panels.count(inverter.serial) != 0;
        if (!told && others_report && IsSilent(inverter, summary, kPanelSilentFor)) silent.push_back(inverter.serial);
        if (told && !IsSilent(inverter, summary)) back.push_back(inverter.serial);
    }
    // A panel gone from the list is forgotten without a word.
    std::erase_if(m_silent_panels, [&](const std::string& serial) { return listed.count(serial) == 0; });
    if (!silent.empty()) {
        const auto [who, serials] = panels_named(silent);
        m_silent_panels.insert(silent.begin(), silent.end());
        tell(Alert::PanelSilent, who + " silent",
             "No report for 2 hours, while " + std::to_string(summary.reporting) + " of the " +
                 std::to_string(summary.count) + " panels report: " + serials + ".");
    }
    if (!back.empty()) {
        for (const std::string& serial : back) m_silent_panels.erase(serial);
        const auto [who, serials] = panels_named(back);
        tell(Alert::PanelSilent, who + (back.size() == 1 ? " reports" : " report") + " again", serials + ".");
    }
}

void AlertWatch::expiry(std::int64_t now) {
    const std::optional<std::int64_t> exp = m_expiry ? m_expiry() : std::nullopt;
    int days = 0;
    if (exp) {
        const std::int64_t left = *exp - now;
        constexpr std::int64_t kDay = 86400;
        days = left <= kDay ? 1 : left <= 7 * kDay ? 7 : left <= 30 * kDay ? 30 : 0;
    }
    if (days == m_expiry_days) return;
    if (days != 0 && (m_expiry_days == 0 || days < m_expiry_days)) {
        tell(Alert::TokenExpiring,
             "Token expires in " + std::string(days == 1 ? "a day" : std::to_string(days) + " days"),
             "Paste a new token in Options, Gateway, before it expires.");
    } else if (days == 0) {
        tell(Alert::TokenExpiring, "Token renewed", "The token in use no longer expires soon.");
    }
    m_expiry_days = days;
}

}  // namespace pelmora
