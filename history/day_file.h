#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/sample.h"

namespace pelmora {

// One minute of a day file: its start, the local zone's offset then, the
// mean figures of its samples, their count, and the minute's energy.
struct MinuteRecord {
    std::int64_t start = 0;  // UTC seconds, a whole minute
    std::int32_t offset_seconds = 0;
    double production_w = 0.0;
    double consumption_w = 0.0;
    double grid_w = 0.0;
    int samples = 0;
    Energy energy;
};

inline constexpr std::string_view kDayFileHeader =
    "time,production_w,consumption_w,grid_w,samples,produced_wh,consumed_wh,imported_wh,exported_wh";

// `value` with `decimals` digits after ".", whatever the locale; -0 as 0.
std::string FixedText(double value, int decimals);

// One CSV line, ended by "\n": the local time of the minute's start in ISO
// 8601 with its offset ("2026-12-08T14:03:00+01:00"), then the numbers with
// "." as decimal point whatever the locale (watts to 0.1, Wh to 0.001).
std::string MinuteLine(const MinuteRecord& minute);

// The line read back; nothing for a line that is not one.
std::optional<MinuteRecord> ParseMinuteLine(std::string_view line);

// The minutes of a day file in time order. The header, lines that do not
// read and a last line without its line end (a write cut short) are
// skipped; two lines of the same minute (a close and a restart within it)
// are merged.
std::vector<MinuteRecord> LoadDayFile(std::string_view text);

// The energy of a day's minutes together.
Energy DayEnergy(const std::vector<MinuteRecord>& minutes);

}  // namespace pelmora
