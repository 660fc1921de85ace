#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "site/counter_guard.h"

namespace pelmora {

// What the counter guard knew, as text, so that a restart on the same
// gateway goes on from it: a held-back rise stays held back.
std::string CounterStateText(const std::string& gateway, const CounterGuard::Tracks& tracks);

// The tracks saved for `gateway`; nothing for another gateway, or for text
// that is not such a state (any value out of a counter's bounds included).
std::optional<CounterGuard::Tracks> ParseCounterState(std::string_view text, const std::string& gateway);

}  // namespace pelmora
