#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "history/day_file.h"
#include "history/sample_ring.h"
#include "platform/file_system.h"
#include "platform/local_calendar.h"
#include "readings/finished_read.h"

namespace pelmora {

// Pelmora's own record of its reads. Each finished read with a timestamp
// adds one sample, filed by the gateway's time: the last two hours stay in
// memory at full resolution, and each minute, once over, goes to its local
// day's file in `folder` (YYYY-MM-DD.csv) with one append. A sample costs no
// disk access. The energy of a stretch between two samples goes to the
// minutes it falls in (a minute without a sample of its own passes its share
// to the next one written); a gap of more than 5 minutes counts nothing.
// A folder that cannot be written stops nothing: the reads go on and
// Problem() says so.
class History : public FinishedReadSink {
public:
    History(FileSystem& files, const LocalCalendar& calendar, std::string folder);

    void OnFinishedRead(const FinishedRead& read) override;
    // False when dropped: a timestamp not after the last one.
    bool Add(const Sample& sample);
    // Writes the minute in progress (at the program's close).
    void Flush();

    const SampleRing& ring() const { return m_ring; }
    // The local day of the newest sample, "" before the first.
    const std::string& Today() const { return m_today; }
    // The minutes of a day: today's from memory, the minute in progress
    // included; any other day's from its file.
    std::vector<MinuteRecord> Day(const std::string& day);
    // The days that have a file, and today, oldest first.
    std::vector<std::string> Days();
    // Why nothing is being kept, or "".
    const std::string& Problem() const { return m_problem; }
    // Rises with every sample kept.
    std::uint64_t Generation() const { return m_generation; }
    const std::string& folder() const { return m_folder; }

private:
    MinuteRecord& bucket_for(std::int64_t minute_start);
    void close_bucket();
    void add_energy(const Sample& a, const Sample& b);
    void write(const MinuteRecord& minute);
    std::string path_of(const std::string& day) const { return m_folder + "/" + day + ".csv"; }

    FileSystem& m_files;
    const LocalCalendar& m_calendar;
    std::string m_folder;
    SampleRing m_ring;
    std::optional<Sample> m_last;
    std::optional<MinuteRecord> m_bucket;  // the minute in progress
    Energy m_carried;                      // energy of minutes without samples, for the next bucket
    double m_sums[3] = {0.0, 0.0, 0.0};
    std::string m_today;
    std::vector<MinuteRecord> m_today_minutes;  // written minutes of m_today
    std::set<std::string> m_started_files;
    std::string m_problem;
    std::uint64_t m_generation = 0;
};

}  // namespace pelmora
