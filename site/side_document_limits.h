#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora {

// A side document larger than this is not one the gateway sends.
inline constexpr std::size_t kLargestSideDocument = 1024 * 1024;

// Bounds past which a figure of a side document is nonsense: it is then
// neither shown, published nor kept.
inline constexpr double kLargestBatteryWh = 10'000'000.0;             // 10 MWh behind one gateway
inline constexpr double kLargestBatteryW = 1'000'000.0;               // 1 MW from one battery
inline constexpr double kLargestInverterW = 100'000.0;                // 100 kW from one inverter
inline constexpr std::size_t kMostInverters = 1000;                   // a gateway serves a few hundred
inline constexpr std::int64_t kLatestAheadSeconds = 366 * 24 * 3600;  // a report dated beyond this is nonsense

}  // namespace pelmora
