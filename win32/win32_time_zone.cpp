#include "win32/win32_time_zone.h"

#include <windows.h>

namespace pelmora {

ZoneState Win32TimeZone::GetTimeZoneInformation() const {
    TIME_ZONE_INFORMATION information{};
    const DWORD code = ::GetTimeZoneInformation(&information);
    if (code == TIME_ZONE_ID_UNKNOWN && information.DaylightDate.wMonth == 0)
        return ZoneState{TIME_ZONE_ID_STANDARD, static_cast<std::int32_t>(information.Bias)};
    return ZoneState{static_cast<std::uint32_t>(code), static_cast<std::int32_t>(information.Bias)};
}

}  // namespace pelmora
