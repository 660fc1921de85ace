#pragma once

#include <cstdint>

#include "platform/regional_format.h"

namespace pelmora {

// A moment in the local zone: its calendar date and time, and the zone's
// offset from UTC then, in seconds east.
struct LocalMoment {
    CivilDateTime civil;
    std::int32_t offset_seconds = 0;
};

// The local calendar at any moment, daylight-saving changes included.
class LocalCalendar {
public:
    virtual ~LocalCalendar() = default;
    virtual LocalMoment ToLocal(std::int64_t epoch) const = 0;
};

}  // namespace pelmora
