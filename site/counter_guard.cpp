#include "site/counter_guard.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace pelmora {

namespace {

std::string wh_text(double wh) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", wh);
    return text;
}

}  // namespace

CounterValues CounterGuard::Check(std::int64_t epoch, const CounterReading& reading) {
    CounterValues out{};
    std::string held;
    std::string restarted;
    bool base_restarted = false;
    for (std::size_t c = 0; c < kCounters; ++c) {
        if (!reading.wh[c]) continue;
        const double raw = *reading.wh[c];
        const double power = reading.power_w[c];
        Track& t = m_tracks[c];
        if (!t.started) {
            t = {true, raw, 0.0, epoch, power};
            out[c] = raw;
            continue;
        }
        const double step = raw - t.raw;
        const std::string name(kCounterNames[c]);
        if (step < 0.0) {
            t.offset = 0.0;
            out[c] = raw;
            restarted += (restarted.empty() ? "" : ", ") + name + " " + wh_text(t.raw) + " to " + wh_text(raw);
            base_restarted = base_restarted || c != static_cast<std::size_t>(Counter::Consumed);
        } else if (!StepExplained(step, t.power, power, epoch - t.epoch)) {
            // The time between the reads still counts, at the mean of their powers.
            const double seconds = static_cast<double>(std::max<std::int64_t>(epoch - t.epoch, 0));
            t.offset += std::max(step - (t.power + power) / 2.0 * seconds / 3600.0, 0.0);
            held += (held.empty() ? "" : ", ") + name + " +" + wh_text(step);
        } else {
            out[c] = raw - t.offset;
        }
        t.raw = raw;
        t.epoch = epoch;
        t.power = power;
    }
    if (!held.empty()) {
        m_log << "Pelmora: counter rise the meters' power cannot explain, not counted (Wh): " << held << "\n";
    }
    if (!restarted.empty()) {
        m_log << "Pelmora: counter went down, counted as a new series (Wh): " << restarted << "\n";
    }

    m_derived = false;
    if (!reading.wh[static_cast<std::size_t>(Counter::Consumed)]) {
        const auto& produced = at(out, Counter::Produced);
        const auto& imported = at(out, Counter::Imported);
        const auto& exported = at(out, Counter::Exported);
        if (produced && imported && exported) {
            double consumed = *produced + *imported - *exported;
            if (m_derived_consumed && !base_restarted) consumed = std::max(consumed, *m_derived_consumed);
            m_derived_consumed = consumed;
            at(out, Counter::Consumed) = consumed;
            m_derived = true;
        }
    }
    return out;
}

}  // namespace pelmora
