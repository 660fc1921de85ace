#include "site/counter_guard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "readings/finished_read.h"

namespace pelmora {

namespace {

constexpr double kAllowanceWh = 10.0;
constexpr double kAllowancePerSecond = kAllowanceWh / static_cast<double>(kLongestCheckedStep);

std::string wh_text(double wh) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", wh);
    return text;
}

bool usable(double wh) { return std::isfinite(wh) && wh >= 0.0 && wh <= CounterGuard::kLargestCounterWh; }

// How far below the series' highest value a counter may read as jitter.
double jitter_of(double highest) { return std::max(CounterGuard::kJitterWh, highest / 1000.0); }

// What the larger of two powers gives over the time, at 1.5 times.
double powered_wh(double power_a_w, double power_b_w, double seconds) {
    return 1.5 * std::max(std::fabs(power_a_w), std::fabs(power_b_w)) * seconds / 3600.0;
}

void add(std::string& list, const std::string& item) { list += (list.empty() ? "" : ", ") + item; }

// A power no reading may have explains no rise: it counts as none.
double explaining_power(double w) { return std::isfinite(w) && std::fabs(w) <= kLargestPower ? w : 0.0; }

}  // namespace

std::optional<double> CounterGuard::check(Track& t, std::size_t c, std::int64_t epoch, double raw, double power) {
    const std::string name(kCounterNames[c]);
    const std::int64_t apart = std::max<std::int64_t>(epoch - t.epoch, 0);
    const double seconds = static_cast<double>(apart);
    const double step = raw - t.raw;
    if (step < 0.0 && -step <= jitter_of(t.raw)) {
        if (!t.told_jitter) {
            t.told_jitter = true;
            m_log << "Pelmora: " << name << " counter " << wh_text(-step)
                  << " Wh below its highest value, held there (told once)\n";
        }
        t.epoch = epoch;
        t.power = power;
        return t.given;
    }
    if (step < 0.0) {
        add(m_restarted, name + " " + wh_text(t.raw) + " to " + wh_text(raw));
        t.before_raw = t.raw;
        t.before_offset = t.offset;
        t.before_epoch = t.epoch;
        t.raw = raw;
        t.offset = 0.0;
        t.epoch = epoch;
        t.power = power;
        t.allowance = kAllowanceWh;
        return raw;
    }
    if (t.before_raw && raw >= *t.before_raw - jitter_of(*t.before_raw)) {
        // Back at the level the drop left: the old series goes on, if the
        // power explains the rise from it.
        const double since = static_cast<double>(std::max<std::int64_t>(epoch - t.before_epoch, 0));
        const double rise = std::max(raw - *t.before_raw, 0.0);
        if (epoch - t.before_epoch > kLongestCheckedStep || rise <= powered_wh(power, t.power, since) + kAllowanceWh) {
            add(m_returned, name + " at " + wh_text(raw));
            t.raw = std::max(raw, *t.before_raw);
            t.offset = t.before_offset;
            t.before_raw.reset();
            t.epoch = epoch;
            t.power = power;
            return raw - t.offset;
        }
    }
    t.allowance = apart > kLongestCheckedStep ? kAllowanceWh
                                              : std::min(kAllowanceWh, t.allowance + seconds * kAllowancePerSecond);
    const double powered = powered_wh(t.power, power, seconds);
    const bool explained = apart > kLongestCheckedStep || step <= powered + t.allowance;
    if (explained) {
        if (apart <= kLongestCheckedStep) t.allowance -= std::max(step - powered, 0.0);
    } else {
        // The time between the reads still counts, at the mean of their powers.
        t.offset += std::max(step - (t.power + power) / 2.0 * seconds / 3600.0, 0.0);
        add(m_held, name + " +" + wh_text(step));
    }
    t.raw = raw;
    t.epoch = epoch;
    t.power = power;
    if (!explained) return std::nullopt;
    const double value = raw - t.offset;
    return value >= 0.0 ? std::optional(value) : std::nullopt;
}

CounterValues CounterGuard::Check(std::int64_t epoch, const CounterReading& reading) {
    CounterValues out{};
    m_held.clear();
    m_restarted.clear();
    m_returned.clear();
    bool base_restarted = false;
    for (std::size_t c = 0; c < kCounters; ++c) {
        if (!reading.wh[c] || !usable(*reading.wh[c])) continue;
        const double raw = *reading.wh[c];
        Track& t = m_tracks[c];
        if (!t.started) {
            t = Track{};
            t.started = true;
            t.raw = raw;
            t.epoch = epoch;
            t.power = explaining_power(reading.power_w[c]);
            out[c] = raw;
        } else {
            const std::size_t restarts = m_restarted.size() + m_returned.size();
            out[c] = check(t, c, epoch, raw, explaining_power(reading.power_w[c]));
            if (m_restarted.size() + m_returned.size() != restarts && c != static_cast<std::size_t>(Counter::Consumed))
                base_restarted = true;
        }
        if (out[c]) t.given = out[c];
    }
    if (!m_held.empty())
        m_log << "Pelmora: counter rise the meters' power cannot explain, not counted (Wh): " << m_held << "\n";
    if (!m_restarted.empty())
        m_log << "Pelmora: counter went down, counted as a new series (Wh): " << m_restarted << "\n";
    if (!m_returned.empty())
        m_log << "Pelmora: counter back at its level before the drop, its series goes on (Wh): " << m_returned << "\n";

    m_derived = false;
    if (!reading.wh[static_cast<std::size_t>(Counter::Consumed)]) {
        const auto& produced = at(out, Counter::Produced);
        const auto& imported = at(out, Counter::Imported);
        const auto& exported = at(out, Counter::Exported);
        if (produced && imported && exported) {
            double consumed = *produced + *imported - *exported;
            if (m_derived_consumed && !base_restarted) consumed = std::max(consumed, *m_derived_consumed);
            m_derived_consumed = consumed;
            at(out, Counter::Consumed) = std::max(consumed, 0.0);
            m_derived = true;
        }
    }
    return out;
}

}  // namespace pelmora
