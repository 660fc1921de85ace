#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/file_system.h"
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

// Files in memory; every call can be made to fail.
class MemoryFileSystem : public FileSystem {
public:
    void replace_file(const std::string& path, std::string_view content) override {
        if (fail_replace) throw Failure(failure_code::PermissionDenied, "Permission denied");
        files[path] = std::string(content);
        ++replace_count;
    }
    void append_file(const std::string& path, std::string_view content) override {
        if (fail_append) throw Failure(failure_code::PermissionDenied, "Permission denied");
        files[path] += std::string(content);
    }

    std::map<std::string, std::string> files;
    bool fail_replace = false;
    bool fail_append = false;
    int replace_count = 0;
};

}  // namespace pelmora::test
