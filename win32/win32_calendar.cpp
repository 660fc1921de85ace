#include "win32/win32_calendar.h"

#include <windows.h>

#include <ctime>

// Every date the program keeps outlives 2038, on 32-bit Windows too.
static_assert(sizeof(std::time_t) == 8, "a 64-bit time_t (__MINGW_USE_VC2005_COMPAT)");

namespace pelmora {

namespace {

// 100-ns intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochIn1601 = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

std::int64_t ticks_of(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

LocalMoment Win32Calendar::ToLocal(std::int64_t epoch) const {
    LocalMoment moment;
    const std::int64_t ticks = epoch * kTicksPerSecond + kEpochIn1601;
    if (ticks < 0) return moment;
    const FILETIME utc_time{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    FILETIME local_time{};
    if (!FileTimeToSystemTime(&utc_time, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&local, &local_time))
        return moment;
    moment.civil = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    moment.offset_seconds = static_cast<std::int32_t>((ticks_of(local_time) - ticks) / kTicksPerSecond);
    return moment;
}

std::int64_t Win32WallClock::EpochSeconds() const {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (ticks_of(now) - kEpochIn1601) / kTicksPerSecond;
}

}  // namespace pelmora
