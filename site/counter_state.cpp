#include "site/counter_state.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "readings/finished_read.h"

namespace pelmora {

namespace {

constexpr std::string_view kFirstLine = "pelmora-counters 1";
constexpr std::string_view kFloorName = "derived-consumed";

std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string maybe(const std::optional<double>& value) { return value ? number(*value) : "-"; }

constexpr std::int64_t kLatestAhead = 86400;  // a saved time may be this much after the gateway's

bool plausible_power(double w) { return std::isfinite(w) && std::fabs(w) <= kLargestPower; }

bool counter_value(double value) {
    return std::isfinite(value) && value >= 0 && value <= CounterGuard::kLargestCounterWh;
}

// "-" or a value within a counter's bounds.
bool read_maybe(std::istream& in, std::optional<double>& value) {
    std::string word;
    if (!(in >> word)) return false;
    if (word == "-") {
        value.reset();
        return true;
    }
    char* end = nullptr;
    const double parsed = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || !counter_value(parsed)) return false;
    value = parsed;
    return true;
}

}  // namespace

std::string CounterStateText(const std::string& gateway, const CounterGuard::Tracks& tracks,
                             const std::optional<double>& derived_floor) {
    std::string text = std::string(kFirstLine) + "\ngateway " + gateway + "\n";
    for (std::size_t c = 0; c < kCounters; ++c) {
        const CounterGuard::Track& t = tracks[c];
        if (!t.started) continue;
        text += std::string(kCounterNames[c]) + ' ' + number(t.raw) + ' ' + number(t.offset) + ' ' +
                std::to_string(t.epoch) + ' ' + number(plausible_power(t.power) ? t.power : 0.0) + ' ' +
                maybe(t.given) + ' ' + maybe(t.before_raw) + ' ' + number(t.before_offset) + ' ' +
                std::to_string(t.before_epoch) + '\n';
    }
    if (derived_floor && counter_value(*derived_floor))
        text += std::string(kFloorName) + ' ' + number(*derived_floor) + '\n';
    return text;
}

std::optional<SavedCounters> ParseCounterState(std::string_view text, const std::string& gateway, std::int64_t now) {
    const auto in_time = [now](std::int64_t epoch) { return epoch >= 0 && epoch - kLatestAhead <= now; };
    std::istringstream in{std::string(text)};
    std::string line;
    if (!std::getline(in, line) || line != kFirstLine) return std::nullopt;
    if (!std::getline(in, line) || line != "gateway " + gateway) return std::nullopt;
    SavedCounters saved;
    CounterGuard::Tracks& tracks = saved.tracks;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (name == kFloorName) {
            std::string rest;
            if (!read_maybe(fields, saved.derived_floor) || !saved.derived_floor || fields >> rest) return std::nullopt;
            continue;
        }
        std::size_t c = 0;
        while (c < kCounters && kCounterNames[c] != name) ++c;
        if (c == kCounters) return std::nullopt;
        CounterGuard::Track& t = tracks[c];
        std::optional<double> raw;
        std::optional<double> offset;
        std::optional<double> before_offset;
        if (!read_maybe(fields, raw) || !read_maybe(fields, offset) || !(fields >> t.epoch >> t.power) ||
            !read_maybe(fields, t.given) || !read_maybe(fields, t.before_raw) || !read_maybe(fields, before_offset) ||
            !(fields >> t.before_epoch) || !raw || !offset || !before_offset || !plausible_power(t.power) ||
            !in_time(t.epoch) || !in_time(t.before_epoch))
            return std::nullopt;
        t.started = true;
        t.raw = *raw;
        t.offset = *offset;
        t.before_offset = *before_offset;
    }
    return saved;
}

}  // namespace pelmora
