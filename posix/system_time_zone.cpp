#include "posix/system_time_zone.h"

#include <ctime>
#include <initializer_list>

namespace pelmora {

ZoneState SystemTimeZone::GetTimeZoneInformation() const {
    tzset();
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return ZoneState{0, 0};

    const long offset_seconds = local.tm_gmtoff;
    if (local.tm_isdst <= 0) return ZoneState{1, static_cast<std::int32_t>(-offset_seconds / 60)};

    // Daylight time in force: find the standard offset in the other half of
    // the year; failing that, take daylight time as one hour ahead.
    long standard = offset_seconds - 3600;
    for (int month : {0, 6}) {
        std::tm probe{};
        probe.tm_year = local.tm_year;
        probe.tm_mon = month;
        probe.tm_mday = 15;
        probe.tm_hour = 12;
        probe.tm_isdst = -1;
        std::time_t t = std::mktime(&probe);
        std::tm other{};
        if (t != static_cast<std::time_t>(-1) && localtime_r(&t, &other) != nullptr && other.tm_isdst == 0) {
            standard = other.tm_gmtoff;
            break;
        }
    }
    return ZoneState{2, static_cast<std::int32_t>(-standard / 60)};
}

}  // namespace pelmora
