#pragma once

#include <cstdint>
#include <optional>

#include "site/meter_counters.h"

namespace pelmora {

// One read's figures at the gateway's timestamp; grid positive is import.
struct Sample {
    Sample() = default;
    Sample(std::int64_t at, double production, double consumption, double grid,
           std::optional<double> battery = std::nullopt)
        : epoch(at), production_w(production), consumption_w(consumption), grid_w(grid), battery_w(battery) {}

    std::int64_t epoch = 0;
    double production_w = 0.0;
    double consumption_w = 0.0;
    double grid_w = 0.0;
    // The battery's power on a site with one: positive discharging.
    std::optional<double> battery_w;
    // The site's lifetime counters at this read, where it has them.
    CounterValues counters{};
    // The batteries' charge in % (0 to 100), where the gateway tells it.
    std::optional<double> charge;
};

// Energy in watt-hours of the four flows, and of the battery's two where the
// site has one.
struct Energy {
    double produced_wh = 0.0;
    double consumed_wh = 0.0;
    double imported_wh = 0.0;
    double exported_wh = 0.0;
    double charged_wh = 0.0;
    double discharged_wh = 0.0;
    bool battery = false;  // a battery was measured

    Energy& operator+=(const Energy& other) {
        produced_wh += other.produced_wh;
        consumed_wh += other.consumed_wh;
        imported_wh += other.imported_wh;
        exported_wh += other.exported_wh;
        charged_wh += other.charged_wh;
        discharged_wh += other.discharged_wh;
        battery = battery || other.battery;
        return *this;
    }
    // The share of production used at home, (produced - exported) / produced;
    // nothing without production.
    double self_consumption() const { return produced_wh > 0.0 ? (produced_wh - exported_wh) / produced_wh : 0.0; }
};

}  // namespace pelmora
