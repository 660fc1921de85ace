#pragma once

#include "platform/time_zone_source.h"

namespace pelmora {

// The system zone from the C library: the standard bias and whether daylight
// time is in force now. A zone without daylight time reports standard time,
// so its timestamps still show in local time.
class SystemTimeZone : public TimeZoneSource {
public:
    ZoneState GetTimeZoneInformation() const override;
};

}  // namespace pelmora
