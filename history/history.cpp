#include "history/history.h"

#include <algorithm>

#include "history/energy.h"
#include "platform/failure.h"

namespace pelmora {

namespace {

std::int64_t minute_of(std::int64_t epoch) { return (epoch >= 0 ? epoch : epoch - 59) / 60 * 60; }

}  // namespace

History::History(FileSystem& files, const LocalCalendar& calendar, std::string folder)
    : m_files(files), m_calendar(calendar), m_folder(std::move(folder)) {}

void History::OnFinishedRead(const FinishedRead& read) {
    if (read.request_failed || !read.epoch) return;
    Add(Sample{*read.epoch, read.production_w, read.consumption_w, read.grid_w});
}

bool History::Add(const Sample& sample) {
    if (!m_ring.Add(sample)) return false;
    const std::int64_t minute = minute_of(sample.epoch);
    if (m_bucket && m_bucket->start != minute) {
        if (m_last) add_energy(*m_last, sample);
        close_bucket();
    } else if (m_last) {
        add_energy(*m_last, sample);
    }
    MinuteRecord& bucket = bucket_for(minute);
    ++bucket.samples;
    m_sums[0] += sample.production_w;
    m_sums[1] += sample.consumption_w;
    m_sums[2] += sample.grid_w;
    m_last = sample;
    ++m_generation;
    return true;
}

MinuteRecord& History::bucket_for(std::int64_t minute_start) {
    if (!m_bucket) {
        m_bucket.emplace();
        m_bucket->start = minute_start;
        m_bucket->offset_seconds = m_calendar.ToLocal(minute_start).offset_seconds;
        m_bucket->energy = m_carried;
        m_carried = Energy{};
        const std::string day = DayKey(m_calendar.ToLocal(minute_start));
        if (day != m_today) {
            m_today = day;
            const std::optional<std::string> text = m_files.read_file(path_of(day));
            m_today_minutes = text ? LoadDayFile(*text) : std::vector<MinuteRecord>{};
        }
    }
    return *m_bucket;
}

// The energy from `a` to `b`, split at the minute boundaries between them.
// Called before the bucket of `a`'s minute is closed.
void History::add_energy(const Sample& a, const Sample& b) {
    if (b.epoch - a.epoch > kLongestBridge) return;
    Sample from = a;
    while (minute_of(from.epoch) != minute_of(b.epoch)) {
        const std::int64_t boundary = minute_of(from.epoch) + 60;
        const Sample at = Interpolate(a, b, static_cast<double>(boundary));
        const Energy part = EnergyBetween(from, at);
        if (m_bucket && m_bucket->start == minute_of(from.epoch)) {
            m_bucket->energy += part;
        } else {
            m_carried += part;
        }
        from = at;
    }
    const Energy last = EnergyBetween(from, b);
    if (m_bucket && m_bucket->start == minute_of(b.epoch)) {
        m_bucket->energy += last;
    } else {
        m_carried += last;
    }
}

void History::close_bucket() {
    if (!m_bucket) return;
    MinuteRecord minute = *m_bucket;
    const double n = minute.samples;
    minute.production_w = m_sums[0] / n;
    minute.consumption_w = m_sums[1] / n;
    minute.grid_w = m_sums[2] / n;
    m_bucket.reset();
    m_sums[0] = m_sums[1] = m_sums[2] = 0.0;
    if (DayKey(m_calendar.ToLocal(minute.start)) == m_today) m_today_minutes.push_back(minute);
    write(minute);
}

void History::write(const MinuteRecord& minute) {
    const std::string day = DayKey(m_calendar.ToLocal(minute.start));
    const std::string path = path_of(day);
    try {
        std::string text;
        if (!m_started_files.contains(day)) {
            m_files.make_folders(m_folder);
            if (!m_files.read_file(path)) text = std::string(kDayFileHeader) + "\n";
        }
        text += MinuteLine(minute);
        m_files.append_file(path, text);
        m_started_files.insert(day);
        m_problem.clear();
    } catch (const Failure& failure) {
        m_problem = "Nothing is being kept: " + m_folder + " cannot be written (" + failure.message() + ")";
    }
}

void History::Flush() { close_bucket(); }

std::vector<MinuteRecord> History::Day(const std::string& day) {
    if (day == m_today) {
        std::vector<MinuteRecord> minutes = m_today_minutes;
        if (m_bucket) {
            MinuteRecord now = *m_bucket;
            now.production_w = m_sums[0] / now.samples;
            now.consumption_w = m_sums[1] / now.samples;
            now.grid_w = m_sums[2] / now.samples;
            minutes.push_back(now);
        }
        return minutes;
    }
    const std::optional<std::string> text = m_files.read_file(path_of(day));
    return text ? LoadDayFile(*text) : std::vector<MinuteRecord>{};
}

std::vector<std::string> History::Days() {
    std::vector<std::string> days;
    for (const std::string& name : m_files.list_folder(m_folder)) {
        if (name.size() == 14 && name.ends_with(".csv")) days.push_back(name.substr(0, 10));
    }
    if (!m_today.empty() && std::find(days.begin(), days.end(), m_today) == days.end()) days.push_back(m_today);
    std::sort(days.begin(), days.end());
    return days;
}

}  // namespace pelmora
