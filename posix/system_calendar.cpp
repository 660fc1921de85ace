#include "posix/system_calendar.h"

#include <ctime>

namespace pelmora {

LocalMoment SystemCalendar::ToLocal(std::int64_t epoch) const {
    const std::time_t seconds = static_cast<std::time_t>(epoch);
    std::tm local{};
    LocalMoment moment;
    if (::localtime_r(&seconds, &local) == nullptr) return moment;
    moment.civil = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    moment.offset_seconds = static_cast<std::int32_t>(local.tm_gmtoff);
    return moment;
}

}  // namespace pelmora
