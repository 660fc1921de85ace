#include "records/utc_text.h"

#include <cstdio>

#include "records/date_time.h"

namespace pelmora {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

struct UtcFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

std::optional<UtcFields> fields_of(std::int64_t epoch) {
    static const std::int64_t first = DaysFromCivil(1, 1, 1) * kSecondsPerDay;
    static const std::int64_t past_last = DaysFromCivil(10000, 1, 1) * kSecondsPerDay;
    if (epoch < first || epoch >= past_last) return std::nullopt;
    std::int64_t days = epoch / kSecondsPerDay;
    std::int64_t rest = epoch % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    UtcFields f;
    CivilFromDays(days, f.year, f.month, f.day);
    f.hour = static_cast<int>(rest / 3600);
    f.minute = static_cast<int>(rest / 60 % 60);
    f.second = static_cast<int>(rest % 60);
    return f;
}

// The value of exactly `digits` ASCII digits at `at`, or -1.
int digits_at(const std::string& text, std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string IsoUtc(std::int64_t epoch) {
    const auto f = fields_of(epoch);
    if (!f) return {};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", f->year, f->month, f->day, f->hour,
                  f->minute, f->second);
    return buffer;
}

std::string UtcDateText(std::int64_t epoch) {
    const auto f = fields_of(epoch);
    if (!f) return "?";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d UTC", f->year, f->month, f->day, f->hour, f->minute);
    return buffer;
}

std::optional<std::int64_t> ParseIsoUtc(const std::string& text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const int year = digits_at(text, 0, 4), month = digits_at(text, 5, 2), day = digits_at(text, 8, 2);
    const std::int64_t hour = digits_at(text, 11, 2), minute = digits_at(text, 14, 2), second = digits_at(text, 17, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * kSecondsPerDay +
           hour * 3600 + minute * 60 + second;
}

}  // namespace pelmora
