#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "site/site_reading.h"

namespace pelmora {

// The site's lifetime energy counters, each as the meter of its flow keeps it.
enum class Counter : std::size_t { Produced, Imported, Exported, Consumed, Charged, Discharged };
inline constexpr std::size_t kCounters = 6;
// As the counters are named in messages and files, in the order of Counter.
inline constexpr std::array<std::string_view, kCounters> kCounterNames = {"produced", "imported", "exported",
                                                                          "consumed", "charged",  "discharged"};

// Watt-hours by counter; nothing where the site has no such counter.
using CounterValues = std::array<std::optional<double>, kCounters>;

inline std::optional<double>& at(CounterValues& values, Counter c) { return values[static_cast<std::size_t>(c)]; }
inline const std::optional<double>& at(const CounterValues& values, Counter c) {
    return values[static_cast<std::size_t>(c)];
}

// One read's counters with the power of the meter that keeps each.
struct CounterReading {
    CounterValues wh{};
    std::array<double, kCounters> power_w{};  // the meter's power in the counter's direction, 0 against it
};

// The counters of a site by meter type: production gives produced
// (actEnergyDlvd); net consumption imported (actEnergyDlvd) and exported
// (actEnergyRcvd); total consumption consumed (actEnergyDlvd); storage
// discharged (actEnergyDlvd) and charged (actEnergyRcvd). A counter that is
// not finite is none. Each counter's power is its meter's in the direction
// it counts: an exporting net meter adds nothing to imported.
CounterReading CountersOf(const SiteReading& site);

// Whether a counter's rise of `step_wh` over `seconds` between two reads can
// come from a meter whose power was `power_a_w` and `power_b_w` at those
// reads: at most 1.5 times the larger power over the time, and 10 Wh. Reads
// more than kLongestCheckedStep apart are not checked.
bool StepExplained(double step_wh, double power_a_w, double power_b_w, std::int64_t seconds);
inline constexpr std::int64_t kLongestCheckedStep = 300;

}  // namespace pelmora
