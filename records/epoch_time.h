#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/controls_view.h"
#include "platform/time_zone_source.h"
#include "records/date_time.h"
#include "records/epoch_value.h"
#include "records/error_log.h"

namespace pelmora {

// Epoch values above this are milliseconds; at or below it, seconds.
inline constexpr std::int64_t kMillisecondThreshold = 10'000'000'000;

// The local date-time of a Unix epoch value in seconds or milliseconds,
// with `zone_offset` seconds added. Steps 2945, 2965, 2955, 2966, 2975: the
// first failed step is logged (label ".Epoch2Date") and the next step runs; a
// second failure, or a failure to write the log, passes to the caller. A failed
// step 2975 (outside 1 January 100 to 31 December 9999) gives the zero
// date-time. `fraction`, when given, receives the fractional second split off
// a millisecond value, else 0.
DateTime Epoch2Date(EpochValue epoch, std::int32_t zone_offset, ErrorLog& log, EpochValue* fraction = nullptr);

// The whole UTC seconds of an epoch value in seconds or milliseconds, the
// fraction dropped (toward the earlier second).
std::int64_t UtcSeconds(EpochValue epoch);

// The local offset in seconds from the platform's zone state (code 1
// standard: -Bias*60; code 2 daylight: (60-Bias)*60; code 0: 0; any other
// code: no value). Writes the offset in hours into `Zone` for codes 1 and 2.
// An offset beyond 32 bits is a Failure "Overflow".
std::optional<std::int32_t> GetZoneOffset(const TimeZoneSource& zone, ControlsView& view);

// A number in general form: "." as decimal point, no grouping, no trailing
// zeros (1, 5.5, -4).
std::string GeneralNumberText(double value);

}  // namespace pelmora
