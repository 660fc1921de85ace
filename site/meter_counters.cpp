#include "site/meter_counters.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

// `flow` is the meter's power in the counter's own direction; the other
// direction counts as none.
void take(CounterReading& reading, Counter c, const std::optional<double>& wh, double flow) {
    if (!wh || !std::isfinite(*wh)) return;
    reading.wh[static_cast<std::size_t>(c)] = *wh;
    reading.power_w[static_cast<std::size_t>(c)] = std::isfinite(flow) ? std::max(flow, 0.0) : 0.0;
}

}  // namespace

CounterReading CountersOf(const SiteReading& site) {
    CounterReading reading;
    if (const MeterReading* m = site.find(MeterType::Production))
        take(reading, Counter::Produced, m->delivered_wh, m->power_w);
    if (const MeterReading* m = site.find(MeterType::NetConsumption)) {
        take(reading, Counter::Imported, m->delivered_wh, m->power_w);
        take(reading, Counter::Exported, m->received_wh, -m->power_w);
    }
    if (const MeterReading* m = site.find(MeterType::TotalConsumption))
        take(reading, Counter::Consumed, m->delivered_wh, m->power_w);
    if (const MeterReading* m = site.find(MeterType::Storage)) {
        take(reading, Counter::Discharged, m->delivered_wh, m->power_w);
        take(reading, Counter::Charged, m->received_wh, -m->power_w);
    }
    return reading;
}

bool StepExplained(double step_wh, double power_a_w, double power_b_w, std::int64_t seconds) {
    if (seconds > kLongestCheckedStep) return true;
    const double span = static_cast<double>(std::max<std::int64_t>(seconds, 0));
    return step_wh <= 1.5 * std::max(std::fabs(power_a_w), std::fabs(power_b_w)) * span / 3600.0 + 10.0;
}

}  // namespace pelmora
