#include "desktop/alert_watch.h"

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
