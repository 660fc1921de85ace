#pragma once

#include "platform/time_zone_source.h"

namespace pelmora {

// The system zone as GetTimeZoneInformation gives it. A zone without
// daylight time, which Windows reports as unknown, reports standard time,
// so its timestamps still show in local time.
class Win32TimeZone : public TimeZoneSource {
public:
    ZoneState GetTimeZoneInformation() const override;
};

}  // namespace pelmora
