#pragma once

#include "platform/local_calendar.h"

namespace pelmora {

// The C library's zone (TZ, or /etc/localtime).
class SystemCalendar : public LocalCalendar {
public:
    LocalMoment ToLocal(std::int64_t epoch) const override;
};

}  // namespace pelmora
