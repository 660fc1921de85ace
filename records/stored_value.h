#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelmora {

// A stored number read as a 32-bit integer (a fraction rounds to the nearest,
// ties to even); no value for text that is not a number or out of range.
std::optional<std::int32_t> StoredInteger(const std::string& text);

// A stored switch: "True"/"False" in any letter case, or a number (non-zero
// is True); no value for anything else.
std::optional<bool> StoredBoolean(const std::string& text);

}  // namespace pelmora
