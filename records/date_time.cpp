#include "records/date_time.h"

#include <cmath>
#include <cstdint>

namespace pelmora {

namespace {

constexpr std::int64_t kDay0FromUnix = -25569;  // 1899-12-30 in days since 1970-01-01

}  // namespace

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

bool InDateTimeRange(DateTime value) { return value >= kMinDateTime && value < kMaxDateTimeExclusive; }

CivilDateTime ToCivil(DateTime value) {
    double whole = std::trunc(value);
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    CivilDateTime out;
    CivilFromDays(day + kDay0FromUnix, out.year, out.month, out.day);
    out.hour = static_cast<int>(seconds / 3600);
    out.minute = static_cast<int>(seconds / 60 % 60);
    out.second = static_cast<int>(seconds % 60);
    return out;
}

DateTime FromCivil(const CivilDateTime& when) {
    const std::int64_t day =
        DaysFromCivil(when.year, static_cast<unsigned>(when.month), static_cast<unsigned>(when.day)) - kDay0FromUnix;
    const double time = (when.hour * 3600.0 + when.minute * 60.0 + when.second) / 86400.0;
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

}  // namespace pelmora
