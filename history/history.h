#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "history/day_file.h"
#include "history/day_money.h"
#include "history/sample_ring.h"
#include "platform/file_system.h"
#include "platform/local_calendar.h"
#include "platform/wall_clock.h"
#include "readings/finished_read.h"

namespace pelmora {

// A day's minutes, or why they are not shown.
struct LoadedDay {
    std::vector<MinuteRecord> minutes;
    std::string problem;
};

// One day of a month: its energy (see DayEnergy), from when it counts (see
// CountedSince), and what kept its file from being read. A year's months are
// kept the same way, `day` naming the month ("2026-11").
struct DayTotal {
    std::string day;
    int slot = 0;  // its bar: the day of the month, or the month of the year
    Energy energy;
    std::string since;
    std::string problem;
    std::optional<Money> money;  // at the tariff in force, where there is one
};

// Pelmora's own record of its reads. Each finished read with a timestamp
// adds one sample, filed by the gateway's time: the last two hours stay in
// memory at full resolution, and each minute, once over, goes to its local
// day's file in `folder` (YYYY-MM-DD.csv) with one append. A sample costs no
// disk access. The energy of a stretch between two samples goes to the
// minutes it falls in; a minute between two samples that has none of its own
// gets a line of its own with 0 samples. A gap of more than 5 minutes counts
// nothing. A folder that cannot be written stops nothing: the reads go on
// and Problem() says so; an append cut short is cut back to its last whole
// line before the next one.
class History : public FinishedReadSink {
public:
    History(FileSystem& files, const LocalCalendar& calendar, const WallClock& clock, std::string folder);

    void OnFinishedRead(const FinishedRead& read) override;
    // False when dropped: a timestamp not after the last one, or more than a
    // day ahead of the computer's clock (a gateway's clock that jumped); a
    // figure that is not finite or beyond kLargestPower.
    bool Add(const Sample& sample);
    // Writes the minute in progress (at the program's close).
    void Flush();

    const SampleRing& ring() const { return m_ring; }
    // The local day of the newest sample, "" before the first.
    const std::string& Today() const { return m_today; }
    // The minutes of a day: today's from memory, the minute in progress
    // included; any other day's from its file, or what keeps it from being
    // shown (a file too large, or not a day file).
    LoadedDay Day(const std::string& day);
    // The days that have a file named as a date, and today, oldest first.
    std::vector<std::string> Days();
    // The days of `month` ("YYYY-MM") that Days() has, in order, each with its totals.
    std::vector<DayTotal> Month(const std::string& month);
    // The months of `year` ("YYYY") that have days, in order, each with the
    // sum of its days' totals; problems joined, no "since".
    std::vector<DayTotal> Year(const std::string& year);
    // Why nothing is being kept, or "".
    const std::string& Problem() const { return m_problem; }
    // Rises with every sample kept.
    std::uint64_t Generation() const { return m_generation; }
    // Where the prices that count come from; without it, or while it gives
    // nothing, no money is counted.
    void set_tariff(std::function<std::optional<Tariff>()> tariff) { m_tariff = std::move(tariff); }
    std::optional<Tariff> tariff() const { return m_tariff ? m_tariff() : std::nullopt; }
    const std::string& folder() const { return m_folder; }
    const LocalCalendar& calendar() const { return m_calendar; }

private:
    MinuteRecord& bucket_for(std::int64_t minute_start);
    void close_bucket();
    // The minute in progress with the means of its samples so far.
    MinuteRecord bucket_means() const;
    void add_energy(const Sample& a, const Sample& b);
    void finish_minute(const MinuteRecord& minute);
    void write(const MinuteRecord& minute);
    LoadedDay load(const std::string& day);
    std::string path_of(const std::string& day) const { return m_folder + "/" + day + ".csv"; }

    FileSystem& m_files;
    const LocalCalendar& m_calendar;
    const WallClock& m_clock;
    std::string m_folder;
    SampleRing m_ring;
    std::optional<Sample> m_last;
    std::optional<MinuteRecord> m_bucket;     // the minute in progress
    Energy m_carried;                         // energy of the next bucket's minute before its first sample
    double m_sums[4] = {0.0, 0.0, 0.0, 0.0};  // production, consumption, grid, battery
    std::int64_t m_battery_samples = 0;
    std::string m_today;
    std::vector<MinuteRecord> m_today_minutes;  // written minutes of m_today
    std::string m_today_problem;                // why m_today's file did not read
    std::set<std::string> m_started_files;      // checked for a cut last line, and headed
    std::string m_problem;
    std::uint64_t m_generation = 0;
    std::function<std::optional<Tariff>()> m_tariff;
    // The totals of days before today as their files last read, at m_totals_tariff.
    std::map<std::string, DayTotal> m_day_totals;
    std::optional<Tariff> m_totals_tariff;
};

}  // namespace pelmora
