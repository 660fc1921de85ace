#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/memory_file_system.h"
#include "platform/regional_format.h"
#include "platform/time_zone_source.h"

namespace pelmora::test {

// ISO forms with a fixed time of day.
class FixedRegionalFormat : public RegionalFormat {
public:
    std::string general_date(const CivilDateTime& when) const override {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day,
                      when.hour, when.minute, when.second);
        return buffer;
    }
    std::string long_time_now() const override { return "10:11:12"; }
    std::string time_of_day_now() const override { return "10:11:12"; }
};

class FakeTimeZone : public TimeZoneSource {
public:
    explicit FakeTimeZone(ZoneState state) : m_state(state) {}
    ZoneState GetTimeZoneInformation() const override { return m_state; }

private:
    ZoneState m_state;
};

using MemoryFileSystem = pelmora::MemoryFileSystem;

}  // namespace pelmora::test
