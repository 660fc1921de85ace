#pragma once

#include <cstdint>

namespace pelmora {

// One read's figures at the gateway's timestamp; grid positive is import.
struct Sample {
    std::int64_t epoch = 0;
    double production_w = 0.0;
    double consumption_w = 0.0;
    double grid_w = 0.0;
};

// Energy in watt-hours of the four flows.
struct Energy {
    double produced_wh = 0.0;
    double consumed_wh = 0.0;
    double imported_wh = 0.0;
    double exported_wh = 0.0;

    Energy& operator+=(const Energy& other) {
        produced_wh += other.produced_wh;
        consumed_wh += other.consumed_wh;
        imported_wh += other.imported_wh;
        exported_wh += other.exported_wh;
        return *this;
    }
    // The share of production used at home, (produced - exported) / produced;
    // nothing without production.
    double self_consumption() const { return produced_wh > 0.0 ? (produced_wh - exported_wh) / produced_wh : 0.0; }
};

}  // namespace pelmora
