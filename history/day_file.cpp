#include "history/day_file.h"

#include "records/date_time.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace pelmora {

namespace {

// A line's energy is that of its minute; an hour's worth is a generous bound
// that also takes lines from before each minute kept its own.
constexpr double kLargestEnergy = kLargestPower;
constexpr std::int64_t kLargestSamples = 1'000'000'000;

// A finite number no larger than `largest` either way.
bool number(std::string_view text, double& value, double largest) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value) &&
           std::fabs(value) <= largest;
}

// The offset down to its whole minute, towards the past: the local time it
// gives stays within the same minute, and so on the same day.
std::int32_t whole_minute_offset(std::int32_t offset) {
    return offset >= 0 ? offset / 60 * 60 : -((-offset + 59) / 60 * 60);
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
    // The largest double has 309 integer digits.
    char buffer[340];
    if (!std::isfinite(value)) return {};
    if (value == 0.0) value = 0.0;  // -0.0 prints as 0
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, std::clamp(decimals, 0, 17));
    if (result.ec != std::errc()) return {};
    std::string text(buffer, result.ptr);
    // A small negative value rounds to zero: no "-0.000".
    if (text.front() == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
    return text;
}

std::string DayKey(const LocalMoment& moment) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", moment.civil.year, moment.civil.month, moment.civil.day);
    return text;
}

bool IsDayKey(std::string_view text) {
    int y = 0, mo = 0, d = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !digits(text, 0, 4, y) || !digits(text, 5, 2, mo) ||
        !digits(text, 8, 2, d) || mo < 1 || mo > 12 || d < 1)
        return false;
    int y2 = 0, mo2 = 0, d2 = 0;
    CivilFromDays(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)), y2, mo2, d2);
    return y2 == y && mo2 == mo && d2 == d;
}

std::string DayFileHeader(bool battery, bool counters, bool charge) {
    return std::string(kDayFileHeader) + (battery ? std::string(kBatteryColumns) : std::string()) +
           (counters ? std::string(kCounterColumns) : std::string()) +
           (charge ? std::string(kChargeColumn) : std::string()) + "\n";
}

bool HasCounters(const MinuteRecord& minute) {
    return std::any_of(minute.counters.begin(), minute.counters.end(), [](const auto& c) { return c.has_value(); });
}

std::string MinuteLine(const MinuteRecord& m) {
    const std::int32_t offset_seconds = whole_minute_offset(m.offset_seconds);
    const std::int64_t local = m.start + offset_seconds;
    const std::int64_t days = (local >= 0 ? local : local - 86399) / 86400;
    const std::int64_t seconds = local - days * 86400;
    int y = 0, mo = 0, d = 0;
    CivilFromDays(days, y, mo, d);
    const int offset = offset_seconds < 0 ? -offset_seconds : offset_seconds;
    char time[40];
    std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", y, mo, d,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  offset_seconds < 0 ? '-' : '+', offset / 3600, offset / 60 % 60);
    std::string line = time;
    for (const double w : {m.production_w, m.consumption_w, m.grid_w}) {
        line += ',' + FixedText(w, 1);
    }
    line += ',' + std::to_string(m.samples);
    for (const double wh : {m.energy.produced_wh, m.energy.consumed_wh, m.energy.imported_wh, m.energy.exported_wh}) {
        line += ',' + FixedText(wh, 3);
    }
    if (m.battery_w) {
        line += ',' + FixedText(*m.battery_w, 1) + ',' + FixedText(m.energy.charged_wh, 3) + ',' +
                FixedText(m.energy.discharged_wh, 3);
    }
    if (HasCounters(m)) {
        for (const std::optional<double>& c : m.counters) line += ',' + (c ? FixedText(*c, 3) : std::string());
    }
    if (m.charge) line += ',' + FixedText(*m.charge, 0);
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
    std::size_t columns = fields.size();
    // The charge, where a minute has it, is the one column past the others.
    const bool charged = columns == 10 || columns == 13 || columns == 10 + kCounters || columns == 13 + kCounters;
    if (charged) --columns;
    if (columns != 9 && columns != 12 && columns != 9 + kCounters && columns != 12 + kCounters) return std::nullopt;
    // The counters come last, after the battery's columns where a minute has them.
    const bool counted = columns > 12;
    if (counted) columns -= kCounters;
    MinuteRecord m;
    if (!parse_time(fields[0], m.start, m.offset_seconds)) return std::nullopt;
    double samples = 0.0;
    if (!number(fields[1], m.production_w, kLargestPower) || !number(fields[2], m.consumption_w, kLargestPower) ||
        !number(fields[3], m.grid_w, kLargestPower) ||
        !number(fields[4], samples, static_cast<double>(kLargestSamples)) ||
        !number(fields[5], m.energy.produced_wh, kLargestEnergy) ||
        !number(fields[6], m.energy.consumed_wh, kLargestEnergy) ||
        !number(fields[7], m.energy.imported_wh, kLargestEnergy) ||
        !number(fields[8], m.energy.exported_wh, kLargestEnergy))
        return std::nullopt;
    if (samples < 0 || samples != std::floor(samples)) return std::nullopt;
    m.samples = static_cast<std::int64_t>(samples);
    if (columns == 12) {
        double battery = 0.0;
        if (!number(fields[9], battery, kLargestPower) || !number(fields[10], m.energy.charged_wh, kLargestEnergy) ||
            !number(fields[11], m.energy.discharged_wh, kLargestEnergy))
            return std::nullopt;
        m.battery_w = battery;
        m.energy.battery = true;
    }
    if (counted) {
        for (std::size_t c = 0; c < kCounters; ++c) {
            const std::string_view field = fields[columns + c];
            double value = 0.0;
            if (field.empty()) continue;
            if (!number(field, value, kLargestCounter)) return std::nullopt;
            m.counters[c] = value;
        }
    }
    if (charged) {
        double charge = 0.0;
        if (!number(fields[fields.size() - 1], charge, 100.0) || charge < 0.0) return std::nullopt;
        m.charge = charge;
    }
    return m;
}

std::vector<MinuteRecord> LoadDayFile(std::string_view text, std::string_view day, std::size_t* unread) {
    std::vector<MinuteRecord> minutes;
    std::size_t not_read = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) break;  // a last line cut short
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        auto m = ParseMinuteLine(line);
        if (!m) {
            if (!line.empty() && line != "\r" && !line.starts_with(kDayFileHeader))
                ++not_read;  // with battery columns too
            continue;
        }
        if (!day.empty()) {
            const std::int64_t local = m->start + whole_minute_offset(m->offset_seconds);
            int y = 0, mo = 0, d = 0;
            CivilFromDays((local >= 0 ? local : local - 86399) / 86400, y, mo, d);
            char own[16];
            std::snprintf(own, sizeof own, "%04d-%02d-%02d", y, mo, d);
            if (day != own) continue;
        }
        minutes.push_back(*m);
    }
    if (unread != nullptr) *unread = not_read;
    std::stable_sort(minutes.begin(), minutes.end(),
                     [](const MinuteRecord& a, const MinuteRecord& b) { return a.start < b.start; });
    std::vector<MinuteRecord> merged;
    merged.reserve(minutes.size());
    for (const MinuteRecord& m : minutes) {
        if (merged.empty() || merged.back().start != m.start) {
            merged.push_back(m);
            continue;
        }
        MinuteRecord& same = merged.back();
        // Counts of up to 10^9 a line, in 64 bits, over a file of bounded size.
        const double total = static_cast<double>(same.samples + m.samples);
        const auto mean = [&](double a, double b) {
            return total > 0 ? (a * static_cast<double>(same.samples) + b * static_cast<double>(m.samples)) / total : b;
        };
        same.production_w = mean(same.production_w, m.production_w);
        same.consumption_w = mean(same.consumption_w, m.consumption_w);
        same.grid_w = mean(same.grid_w, m.grid_w);
        if (m.battery_w) same.battery_w = same.battery_w ? mean(*same.battery_w, *m.battery_w) : *m.battery_w;
        same.samples += m.samples;
        same.energy += m.energy;
        for (std::size_t c = 0; c < kCounters; ++c) {
            if (m.counters[c]) same.counters[c] = m.counters[c];  // the later line's, from further on
        }
        if (m.charge) same.charge = m.charge;
        // Kept within a line's bounds, so that the merged minute's line reads back.
        same.samples = std::min(same.samples, kLargestSamples);
        for (double* wh : {&same.energy.produced_wh, &same.energy.consumed_wh, &same.energy.imported_wh,
                           &same.energy.exported_wh, &same.energy.charged_wh, &same.energy.discharged_wh})
            *wh = std::clamp(*wh, -kLargestEnergy, kLargestEnergy);
    }
    return merged;
}

namespace {

// Each counter's flow in Energy, in the order of Counter.
constexpr double Energy::*kFlows[kCounters] = {&Energy::produced_wh, &Energy::imported_wh, &Energy::exported_wh,
                                               &Energy::consumed_wh, &Energy::charged_wh,  &Energy::discharged_wh};

// The energy of counter `c` over the day's lines, or nothing when no line has it.
std::optional<double> counted(const std::vector<MinuteRecord>& minutes, Counter c) {
    const std::size_t k = static_cast<std::size_t>(c);
    double total = 0.0;
    double stretch = 0.0;  // the own energy of the lines since the last line with the counter
    const MinuteRecord* last = nullptr;
    for (const MinuteRecord& m : minutes) {
        stretch += m.energy.*kFlows[k];
        if (!m.counters[k]) continue;
        if (last == nullptr) {
            total += stretch;  // up to the first line's end, where its counter stands
        } else {
            const double rise = *m.counters[k] - *last->counters[k];
            const bool trusted =
                rise >= 0.0 && (m.start - last->start > kLongestCheckedStep - 60 || rise <= 1.5 * stretch + 10.0);
            total += trusted ? rise : stretch;
        }
        stretch = 0.0;
        last = &m;
    }
    if (last == nullptr) return std::nullopt;
    return total + stretch;
}

}  // namespace

Energy DayEnergy(const std::vector<MinuteRecord>& minutes) {
    Energy total;
    for (const MinuteRecord& m : minutes) total += m.energy;
    bool base = true;  // produced, imported and exported all from counters
    for (std::size_t k = 0; k < kCounters; ++k) {
        const auto c = static_cast<Counter>(k);
        const std::optional<double> energy = counted(minutes, c);
        if (energy) total.*kFlows[k] = *energy;
        if (c == Counter::Produced || c == Counter::Imported || c == Counter::Exported) base = base && energy;
        if ((c == Counter::Charged || c == Counter::Discharged) && energy) total.battery = true;
    }
    if (base && !counted(minutes, Counter::Consumed))
        total.consumed_wh = total.produced_wh + total.imported_wh - total.exported_wh;
    return total;
}

std::vector<Energy> MinuteEnergies(const std::vector<MinuteRecord>& minutes) {
    std::vector<Energy> energies;
    energies.reserve(minutes.size());
    for (const MinuteRecord& m : minutes) energies.push_back(m.energy);
    bool base = true;
    bool consumed = false;
    for (std::size_t k = 0; k < kCounters; ++k) {
        const auto c = static_cast<Counter>(k);
        double stretch = 0.0;
        const MinuteRecord* last = nullptr;
        for (std::size_t i = 0; i < minutes.size(); ++i) {
            const MinuteRecord& m = minutes[i];
            stretch += m.energy.*kFlows[k];
            if (!m.counters[k]) continue;
            if (last != nullptr) {
                const double rise = *m.counters[k] - *last->counters[k];
                const bool trusted =
                    rise >= 0.0 && (m.start - last->start > kLongestCheckedStep - 60 || rise <= 1.5 * stretch + 10.0);
                if (trusted) energies[i].*kFlows[k] += rise - stretch;
            }
            stretch = 0.0;
            last = &m;
        }
        if (c == Counter::Produced || c == Counter::Imported || c == Counter::Exported) base = base && last != nullptr;
        if (c == Counter::Consumed) consumed = last != nullptr;
    }
    if (base && !consumed) {
        for (Energy& e : energies) e.consumed_wh = e.produced_wh + e.imported_wh - e.exported_wh;
    }
    return energies;
}

std::string CountedSince(const std::vector<MinuteRecord>& minutes) {
    if (minutes.empty()) return {};
    const std::int64_t local = minutes.front().start + whole_minute_offset(minutes.front().offset_seconds);
    const std::int64_t minute_of_day = (local % 86400 + 86400) % 86400 / 60;
    if (minute_of_day <= 5) return {};
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(minute_of_day / 60),
                  static_cast<int>(minute_of_day % 60));
    return text;
}

}  // namespace pelmora
