#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/sample.h"
#include "platform/local_calendar.h"
#include "readings/finished_read.h"

namespace pelmora {

// One minute of a day file: its start, the local zone's offset then, the
// mean figures of its samples, their count, and the minute's energy.
struct MinuteRecord {
    std::int64_t start = 0;  // UTC seconds, a whole minute
    std::int32_t offset_seconds = 0;
    double production_w = 0.0;
    double consumption_w = 0.0;
    double grid_w = 0.0;
    // 0 for a minute that fell between two samples: its figures are those
    // of the straight line between them, its energy their bridge's share.
    std::int64_t samples = 0;
    Energy energy;
    // The mean battery power of the minute's samples that had one; a minute
    // of a site without a battery has none, and its line no battery columns.
    std::optional<double> battery_w;
    // The site's lifetime counters at the minute's end: on the straight line
    // to the next sample when it follows within kLongestBridge, otherwise at
    // the minute's last sample that had them. Nothing before counters were kept.
    CounterValues counters{};
    // The batteries' charge in % at the minute's last sample that had one.
    std::optional<double> charge;
};

// A lifetime counter beyond this many Wh is not one.
inline constexpr double kLargestCounter = 1e13;
// A day file is read up to this size: a day of minute lines is about
// 130 kB, so anything larger is not one.
inline constexpr std::size_t kLargestDayFile = 4 * 1024 * 1024;

inline constexpr std::string_view kDayFileHeader =
    "time,production_w,consumption_w,grid_w,samples,produced_wh,consumed_wh,imported_wh,exported_wh";
// Appended to the header and to each line of a minute with a battery, so that
// files written before them still load.
inline constexpr std::string_view kBatteryColumns = ",battery_w,charged_wh,discharged_wh";
// Appended after those to each line of a minute with counters, an empty field
// for a counter the site lacks.
inline constexpr std::string_view kCounterColumns =
    ",produced_total_wh,imported_total_wh,exported_total_wh,consumed_total_wh,charged_total_wh,discharged_total_wh";

// Appended last to each line of a minute with the batteries' charge, whole percent.
inline constexpr std::string_view kChargeColumn = ",charge_pct";

// The header line, ended by "\n", for lines with or without the battery's,
// the counters' and the charge's columns.
std::string DayFileHeader(bool battery, bool counters, bool charge = false);
// Whether a minute has any counter, and so its line the counters' columns.
bool HasCounters(const MinuteRecord& minute);

// `value` with `decimals` (0 to 17) digits after ".", whatever the locale;
// -0, and anything that rounds to it, as 0. Every finite double fits; a
// value that is not finite gives "".
std::string FixedText(double value, int decimals);

// True for "YYYY-MM-DD" naming a real calendar date.
bool IsDayKey(std::string_view text);

// "2026-12-08": the local date of a moment, as the history names its day files.
std::string DayKey(const LocalMoment& moment);

// One CSV line, ended by "\n": the local time of the minute's start in ISO
// 8601 with its offset ("2026-12-08T14:03:00+01:00"), then the numbers with
// "." as decimal point whatever the locale (watts to 0.1, Wh to 0.001). An
// offset with seconds is written down to its whole minute, and the time with
// it, so that the line stays at a whole minute of its own local day and reads
// back to the same start.
std::string MinuteLine(const MinuteRecord& minute);

// The line read back; nothing for a line that is not one, a figure that is
// not finite or beyond kLargestPower (an hour's worth for the Wh) included.
std::optional<MinuteRecord> ParseMinuteLine(std::string_view line);

// The minutes of a day file in time order. The header, lines that do not
// read and a last line without its line end (a write cut short) are
// skipped, and so, when `day` is given, are minutes of any other local
// date; two lines of the same minute (a close and a restart within it) are
// merged. `unread`, when given, counts the lines other than the header that
// did not read.
std::vector<MinuteRecord> LoadDayFile(std::string_view text, std::string_view day = {}, std::size_t* unread = nullptr);

// The energy of a day's minutes together. For each counter the lines carry,
// it is the counter's rise from line to line, so that time no sample was
// taken within the day counts too, with the first such line's own energy
// before it. A stretch whose rise cannot be trusted (a new series, or more
// than 1.5 times the stretch's own energy and 10 Wh within 5 minutes) and
// lines without the counter count their own energies. Consumed, where no
// line has its counter, is then produced + imported - exported.
Energy DayEnergy(const std::vector<MinuteRecord>& minutes);

// Each minute's share of DayEnergy, so that the minutes add up to it: a
// minute's own energy, but where a trusted counter rise ends a stretch of
// lines, the difference between the rise and the stretch's own energy goes
// to the stretch's last minute. Consumed, where DayEnergy derives it, is
// each minute's produced + imported - exported.
std::vector<Energy> MinuteEnergies(const std::vector<MinuteRecord>& minutes);

// "08:13" when the day's first minute is after 00:05 local time: the day's
// energy counts from then; "" otherwise.
std::string CountedSince(const std::vector<MinuteRecord>& minutes);

}  // namespace pelmora
