#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelmora {

// Texts of a moment in UTC, seconds since 1970, for any moment of the years
// 0001 to 9999 whatever the width of the platform's time_t; a moment
// outside them gives the empty text ("?" for the minute's text).
std::string IsoUtc(std::int64_t epoch);       // "2026-12-08T07:00:00Z"
std::string UtcDateText(std::int64_t epoch);  // "2026-12-08 07:00 UTC"

// The moment of exactly "YYYY-MM-DDTHH:MM:SSZ" naming a real date and time
// of the years 0001 to 9999; nothing for any other text.
std::optional<std::int64_t> ParseIsoUtc(const std::string& text);

}  // namespace pelmora
