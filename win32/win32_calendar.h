#pragma once

#include "platform/local_calendar.h"
#include "platform/wall_clock.h"

namespace pelmora {

// The calendar of the zone Windows is set to, with that zone's rules for
// the year of each moment (SystemTimeToTzSpecificLocalTime).
class Win32Calendar : public LocalCalendar {
public:
    LocalMoment ToLocal(std::int64_t epoch) const override;
};

// The system time in whole epoch seconds.
class Win32WallClock : public WallClock {
public:
    std::int64_t EpochSeconds() const override;
};

}  // namespace pelmora
