#pragma once

#include <cstdint>

namespace pelmora {

// The time-zone state as the zone offset needs it: a code (0 unknown,
// 1 standard time in force, 2 daylight time in force, anything else a failed
// call) and the standard Bias in minutes, with UTC = local time + Bias.
struct ZoneState {
    std::uint32_t code = 0;
    std::int32_t bias = 0;
};

class TimeZoneSource {
public:
    virtual ~TimeZoneSource() = default;
    virtual ZoneState GetTimeZoneInformation() const = 0;
};

}  // namespace pelmora
