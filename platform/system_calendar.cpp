#include <cstdio>
#include <ctime>

#include "platform/local_calendar.h"

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

std::string DayKey(const LocalMoment& moment) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", moment.civil.year, moment.civil.month, moment.civil.day);
    return text;
}

}  // namespace pelmora
