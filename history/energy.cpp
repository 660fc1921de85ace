#include "history/energy.h"

namespace pelmora {

namespace {

constexpr double kSecondsPerHour = 3600.0;

// The area under max(g, 0) for g going linearly from ga to gb over dt seconds.
double positive_area(double ga, double gb, double dt) {
    if (ga >= 0.0 && gb >= 0.0) return (ga + gb) / 2.0 * dt;
    if (ga <= 0.0 && gb <= 0.0) return 0.0;
    // One side positive: a triangle up to the crossing.
    const double positive = ga > 0.0 ? ga : gb;
    const double crossing = dt * positive / (ga > 0.0 ? ga - gb : gb - ga);
    return positive * crossing / 2.0;
}

}  // namespace

Energy EnergyBetween(const Sample& a, const Sample& b) {
    Energy e;
    const std::int64_t span = b.epoch - a.epoch;
    if (span <= 0 || span > kLongestBridge) return e;
    const double dt = static_cast<double>(span);
    e.produced_wh = (a.production_w + b.production_w) / 2.0 * dt / kSecondsPerHour;
    e.consumed_wh = (a.consumption_w + b.consumption_w) / 2.0 * dt / kSecondsPerHour;
    e.imported_wh = positive_area(a.grid_w, b.grid_w, dt) / kSecondsPerHour;
    e.exported_wh = positive_area(-a.grid_w, -b.grid_w, dt) / kSecondsPerHour;
    if (a.battery_w && b.battery_w) {
        e.battery = true;
        e.discharged_wh = positive_area(*a.battery_w, *b.battery_w, dt) / kSecondsPerHour;
        e.charged_wh = positive_area(-*a.battery_w, -*b.battery_w, dt) / kSecondsPerHour;
    }
    return e;
}

Sample Interpolate(const Sample& a, const Sample& b, double epoch) {
    const double span = static_cast<double>(b.epoch - a.epoch);
    const double f = span > 0.0 ? (epoch - static_cast<double>(a.epoch)) / span : 0.0;
    Sample s;
    s.epoch = static_cast<std::int64_t>(epoch);
    s.production_w = a.production_w + (b.production_w - a.production_w) * f;
    s.consumption_w = a.consumption_w + (b.consumption_w - a.consumption_w) * f;
    s.grid_w = a.grid_w + (b.grid_w - a.grid_w) * f;
    if (a.battery_w && b.battery_w) s.battery_w = *a.battery_w + (*b.battery_w - *a.battery_w) * f;
    return s;
}

}  // namespace pelmora
