#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "site/counter_guard.h"

namespace pelmora {

// What the counter guard knew, as text, so that a restart on the same
// gateway goes on from it: a held-back rise stays held back. A power beyond
// kLargestPower, which no reading may have, is written as 0, so that the
// text always reads back.
std::string CounterStateText(const std::string& gateway, const CounterGuard::Tracks& tracks,
                             const std::optional<double>& derived_floor = std::nullopt);

// A saved state: the tracks and the derived consumed's floor.
struct SavedCounters {
    CounterGuard::Tracks tracks{};
    std::optional<double> derived_floor;
};

// The tracks saved for `gateway`, read at the gateway's time `now`; nothing
// for another gateway, or for text that is not such a state: any value out
// of a counter's bounds, a power beyond kLargestPower, or a time before 1970
// or more than a day after `now`.
std::optional<SavedCounters> ParseCounterState(std::string_view text, const std::string& gateway, std::int64_t now);

}  // namespace pelmora
