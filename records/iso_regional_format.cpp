#include "records/iso_regional_format.h"

#include <cstdio>
#include <ctime>

namespace pelmora {

namespace {

std::string time_text(int hour, int minute, int second) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hour, minute, second);
    return buffer;
}

std::string now_text() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return time_text(local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace

std::string IsoRegionalFormat::general_date(const CivilDateTime& when) const {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", when.year, when.month, when.day);
    std::string text = buffer;
    if (when.hour != 0 || when.minute != 0 || when.second != 0) {
        text += ' ';
        text += time_text(when.hour, when.minute, when.second);
    }
    return text;
}

std::string IsoRegionalFormat::long_time_now() const { return now_text(); }

std::string IsoRegionalFormat::time_of_day_now() const { return now_text(); }

}  // namespace pelmora
