#pragma once

// The local zone a test runs in, and the calendar that follows it. On
// POSIX the zone is set for the test's length through TZ; under Wine a
// process keeps the zone it started with, so each test there runs in a
// ctest entry of its own with TZ set to the zone it names.
#ifdef _WIN32
#include "win32/win32_calendar.h"

namespace pelmora::test {

class InZone {
public:
    explicit InZone(const char*) {}
};
using ZoneCalendar = Win32Calendar;

}  // namespace pelmora::test
#else
#include <cstdlib>
#include <ctime>

#include "posix/system_calendar.h"

namespace pelmora::test {

class InZone {
public:
    explicit InZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~InZone() {
        ::unsetenv("TZ");
        ::tzset();
    }
    InZone(const InZone&) = delete;
    InZone& operator=(const InZone&) = delete;
};
using ZoneCalendar = SystemCalendar;

}  // namespace pelmora::test
#endif
