#include "history/day_file.h"

#include "records/date_time.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace pelmora {

namespace {

bool number(std::string_view text, double& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    const auto result = std::from_chars(text.data() + at, text.data() + at + count, value);
    return result.ec == std::errc() && result.ptr == text.data() + at + count;
}

// "2026-12-08T14:03:00+01:00" as UTC seconds and the offset.
bool parse_time(std::string_view text, std::int64_t& epoch, std::int32_t& offset) {
    if (text.size() != 25 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || (text[19] != '+' && text[19] != '-') || text[22] != ':')
        return false;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, oh = 0, om = 0;
    if (!digits(text, 0, 4, y) || !digits(text, 5, 2, mo) || !digits(text, 8, 2, d) || !digits(text, 11, 2, h) ||
        !digits(text, 14, 2, mi) || !digits(text, 17, 2, s) || !digits(text, 20, 2, oh) || !digits(text, 23, 2, om))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
    offset = (oh * 3600 + om * 60) * (text[19] == '-' ? -1 : 1);
    const std::int64_t second_of_day = std::int64_t{h} * 3600 + std::int64_t{mi} * 60 + s;
    epoch = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + second_of_day - offset;
    return true;
}

}  // namespace

std::string FixedText(double value, int decimals) {
    char buffer[64];
    if (value == 0.0) value = 0.0;  // -0.0 prints as 0
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

std::string MinuteLine(const MinuteRecord& m) {
    const std::int64_t local = m.start + m.offset_seconds;
    const std::int64_t days = (local >= 0 ? local : local - 86399) / 86400;
    const std::int64_t seconds = local - days * 86400;
    int y = 0, mo = 0, d = 0;
    CivilFromDays(days, y, mo, d);
    const int offset = m.offset_seconds < 0 ? -m.offset_seconds : m.offset_seconds;
    char time[40];
    std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", y, mo, d,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  m.offset_seconds < 0 ? '-' : '+', offset / 3600, offset / 60 % 60);
    std::string line = time;
    for (const double w : {m.production_w, m.consumption_w, m.grid_w}) {
        line += ',' + FixedText(w, 1);
    }
    line += ',' + std::to_string(m.samples);
    for (const double wh : {m.energy.produced_wh, m.energy.consumed_wh, m.energy.imported_wh, m.energy.exported_wh}) {
        line += ',' + FixedText(wh, 3);
    }
    line += '\n';
    return line;
}

std::optional<MinuteRecord> ParseMinuteLine(std::string_view line) {
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (fields.size() != 9) return std::nullopt;
    MinuteRecord m;
    if (!parse_time(fields[0], m.start, m.offset_seconds)) return std::nullopt;
    double samples = 0.0;
    if (!number(fields[1], m.production_w) || !number(fields[2], m.consumption_w) || !number(fields[3], m.grid_w) ||
        !number(fields[4], samples) || !number(fields[5], m.energy.produced_wh) ||
        !number(fields[6], m.energy.consumed_wh) || !number(fields[7], m.energy.imported_wh) ||
        !number(fields[8], m.energy.exported_wh))
        return std::nullopt;
    if (samples < 1 || samples > 1e9) return std::nullopt;
    m.samples = static_cast<int>(samples);
    return m;
}

std::vector<MinuteRecord> LoadDayFile(std::string_view text) {
    std::vector<MinuteRecord> minutes;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) break;  // a last line cut short
        if (auto m = ParseMinuteLine(text.substr(start, end - start))) {
            if (!minutes.empty() && minutes.back().start == m->start) {
                MinuteRecord& same = minutes.back();
                const double total = same.samples + m->samples;
                same.production_w = (same.production_w * same.samples + m->production_w * m->samples) / total;
                same.consumption_w = (same.consumption_w * same.samples + m->consumption_w * m->samples) / total;
                same.grid_w = (same.grid_w * same.samples + m->grid_w * m->samples) / total;
                same.samples += m->samples;
                same.energy += m->energy;
            } else {
                minutes.push_back(*m);
            }
        }
        start = end + 1;
    }
    std::stable_sort(minutes.begin(), minutes.end(),
                     [](const MinuteRecord& a, const MinuteRecord& b) { return a.start < b.start; });
    return minutes;
}

Energy DayEnergy(const std::vector<MinuteRecord>& minutes) {
    Energy total;
    for (const MinuteRecord& m : minutes) total += m.energy;
    return total;
}

}  // namespace pelmora
