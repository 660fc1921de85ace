#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "site/bounded_figure.h"

namespace pelmora {

// One panel's micro-inverter as the gateway last heard from it.
struct Inverter {
    std::string serial;
    std::int64_t reported = 0;  // epoch seconds of its last report
    double watts = 0;
    double max_watts = 0;
};

// A report within this many seconds of the newest one counts as current.
inline constexpr std::int64_t kReportingWindowSeconds = 30 * 60;

// What the panels give together.
struct InverterSummary {
    std::size_t count = 0;
    std::size_t reporting = 0;  // within kReportingWindowSeconds of the newest report
    double watts = 0;           // the sum of every last report
    std::int64_t newest = 0;    // epoch seconds of the newest report
};

// The inverters of a /api/v1/production/inverters answer; nothing for
// anything else or a list longer than kMostInverters. An inverter whose
// watts pass kLargestInverterW or whose report is dated more than
// kLatestAheadSeconds after `now` is left out, with a line in `absurd`.
std::optional<std::vector<Inverter>> ParseInverters(std::string_view text, std::int64_t now, AbsurdNotes& absurd);

InverterSummary SummaryOf(const std::vector<Inverter>& inverters);

// An inverter silent while the others report: its last report is more
// than `silent_seconds` older than the newest one.
bool IsSilent(const Inverter& inverter, const InverterSummary& summary,
              std::int64_t silent_seconds = kReportingWindowSeconds);

}  // namespace pelmora
