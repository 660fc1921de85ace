#pragma once

#include <cstdint>

#include "history/sample.h"

namespace pelmora {

// Samples further apart than this are a gap: not bridged, no energy.
inline constexpr std::int64_t kLongestBridge = 300;

// The energy between two samples by the trapezoid rule, `a` before `b`.
// Import and export are integrated apart from the signed grid: where the
// grid changes sign, the crossing is interpolated; the battery's charging and
// discharging likewise, where both samples have it. A gap gives nothing.
Energy EnergyBetween(const Sample& a, const Sample& b);

// The sample on the straight line from `a` to `b` at `epoch` (between them).
Sample Interpolate(const Sample& a, const Sample& b, double epoch);

}  // namespace pelmora
