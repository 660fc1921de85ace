#include "history/history.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "history/energy.h"
#include "platform/failure.h"
#include "site/site_equipment.h"

namespace pelmora {

namespace {

std::int64_t minute_of(std::int64_t epoch) { return (epoch >= 0 ? epoch : epoch - 59) / 60 * 60; }

// The counters at `t`, between `a` and `b`: on the straight line where both
// have a counter of one series, `a`'s own where only it has one.
CounterValues counters_between(const Sample& a, const Sample& b, double t) {
    CounterValues at = a.counters;
    const double span = static_cast<double>(b.epoch - a.epoch);
    for (std::size_t c = 0; c < kCounters; ++c) {
        if (at[c] && b.counters[c] && *b.counters[c] >= *at[c] && span > 0.0)
            *at[c] += (*b.counters[c] - *at[c]) * (t - static_cast<double>(a.epoch)) / span;
    }
    return at;
}

// Writes the counters `from` has into `to`.
void take_counters(CounterValues& to, const CounterValues& from) {
    for (std::size_t c = 0; c < kCounters; ++c) {
        if (from[c]) to[c] = from[c];
    }
}

}  // namespace

History::History(FileSystem& files, const LocalCalendar& calendar, const WallClock& clock, std::string folder)
    : m_files(files), m_calendar(calendar), m_clock(clock), m_folder(std::move(folder)) {}

void History::OnFinishedRead(const FinishedRead& read) {
    if (read.request_failed || !read.epoch) return;
    Sample sample{*read.epoch, read.production_w, read.consumption_w, read.grid_w};
    if (read.site) sample.battery_w = read.site->battery_w;
    if (read.equipment) {
        if (const std::optional<BatteryState> battery = BatteryOf(*read.equipment); battery && battery->charge)
            sample.charge = *battery->charge;
    }
    sample.counters = read.counters;
    // A consumed counter derived from the others adds nothing to keep.
    if (read.consumed_derived) at(sample.counters, Counter::Consumed).reset();
    Add(sample);
}

bool History::Add(const Sample& given) {
    for (const double w : {given.production_w, given.consumption_w, given.grid_w, given.battery_w.value_or(0.0)}) {
        if (!std::isfinite(w) || std::fabs(w) > kLargestPower) return false;
    }
    Sample sample = given;
    for (std::optional<double>& c : sample.counters) {
        if (c && (!std::isfinite(*c) || std::fabs(*c) > kLargestCounter)) c.reset();
    }
    if (sample.charge && !(*sample.charge >= 0.0 && *sample.charge <= 100.0)) sample.charge.reset();
    if (sample.epoch > m_clock.EpochSeconds() + 86400) return false;
    if (!m_ring.Add(sample)) return false;
    const std::int64_t minute = minute_of(sample.epoch);
    if (m_last) add_energy(*m_last, sample);
    if (m_bucket && m_bucket->start != minute) close_bucket();
    MinuteRecord& bucket = bucket_for(minute);
    ++bucket.samples;
    take_counters(bucket.counters, sample.counters);
    if (sample.charge) bucket.charge = sample.charge;
    m_sums[0] += sample.production_w;
    m_sums[1] += sample.consumption_w;
    m_sums[2] += sample.grid_w;
    if (sample.battery_w) {
        m_sums[3] += *sample.battery_w;
        ++m_battery_samples;
    }
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
            LoadedDay loaded = load(day);
            m_today_minutes = std::move(loaded.minutes);
            m_today_problem = std::move(loaded.problem);
        }
    }
    return *m_bucket;
}

// The energy from `a` to `b`, split at the minute boundaries between them:
// the share of `a`'s minute goes to its bucket, which is then closed; a
// minute in between gets a line of its own; the share of `b`'s minute waits
// for its bucket.
void History::add_energy(const Sample& a, const Sample& b) {
    if (b.epoch - a.epoch > kLongestBridge) return;
    Sample from = a;
    while (minute_of(from.epoch) != minute_of(b.epoch)) {
        const std::int64_t start = minute_of(from.epoch);
        const Sample at = Interpolate(a, b, static_cast<double>(start + 60));
        const Energy part = EnergyBetween(from, at);
        const CounterValues ends = counters_between(a, b, static_cast<double>(start + 60));
        if (m_bucket && m_bucket->start == start) {
            m_bucket->energy += part;
            take_counters(m_bucket->counters, ends);
            close_bucket();
        } else {
            MinuteRecord between;
            between.start = start;
            between.offset_seconds = m_calendar.ToLocal(start).offset_seconds;
            const Sample middle = Interpolate(a, b, static_cast<double>(start) + 30.0);
            between.production_w = middle.production_w;
            between.consumption_w = middle.consumption_w;
            between.grid_w = middle.grid_w;
            between.battery_w = middle.battery_w;
            between.energy = part;
            between.counters = ends;
            between.charge = a.charge;
            finish_minute(between);
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

MinuteRecord History::bucket_means() const {
    MinuteRecord minute = *m_bucket;
    const double n = static_cast<double>(minute.samples);
    minute.production_w = m_sums[0] / n;
    minute.consumption_w = m_sums[1] / n;
    minute.grid_w = m_sums[2] / n;
    if (m_battery_samples > 0) minute.battery_w = m_sums[3] / static_cast<double>(m_battery_samples);
    return minute;
}

void History::close_bucket() {
    if (!m_bucket) return;
    const MinuteRecord minute = bucket_means();
    m_bucket.reset();
    m_sums[0] = m_sums[1] = m_sums[2] = m_sums[3] = 0.0;
    m_battery_samples = 0;
    finish_minute(minute);
}

void History::finish_minute(const MinuteRecord& minute) {
    if (DayKey(m_calendar.ToLocal(minute.start)) == m_today) m_today_minutes.push_back(minute);
    write(minute);
}

void History::write(const MinuteRecord& minute) {
    const std::string day = DayKey(m_calendar.ToLocal(minute.start));
    const std::string path = path_of(day);
    m_day_totals.erase(day);
    try {
        std::string text;
        if (!m_started_files.contains(day)) {
            m_files.make_folders(m_folder);
            const std::optional<std::string> existing = m_files.read_file(path, kLargestDayFile);
            const std::string header =
                DayFileHeader(minute.battery_w.has_value(), HasCounters(minute), minute.charge.has_value());
            if (!existing || existing->empty()) {
                text = header;
            } else if (existing->size() > kLargestDayFile) {
                text = "\n";  // not read whole; a line cut short there is ended, never joined
            } else if (existing->back() != '\n') {
                // An append cut short (a full disk, a crash) is cut back to
                // its last whole line, so that the next one does not join it.
                const std::size_t whole = existing->rfind('\n') + 1;  // 0 when none is whole
                m_files.cut_file(path, whole);
                if (whole == 0) text = header;
            }
        }
        text += MinuteLine(minute);
        m_files.append_file(path, text);
        m_started_files.insert(day);
        m_problem.clear();
    } catch (const Failure& failure) {
        m_problem = "Nothing is being kept: " + m_folder + " cannot be written (" + failure.message() + ")";
        // The next append looks at the file's end again.
        m_started_files.erase(day);
    }
}

void History::Flush() { close_bucket(); }

LoadedDay History::load(const std::string& day) {
    const std::string path = path_of(day);
    const std::optional<std::string> text = m_files.read_file(path, kLargestDayFile);
    if (!text) return {};
    if (text->size() > kLargestDayFile) {
        return {{},
                path + " is larger than any day's file (" + std::to_string(kLargestDayFile >> 20) + " MB): not shown"};
    }
    std::size_t unread = 0;
    LoadedDay loaded{LoadDayFile(*text, day, &unread), ""};
    if (loaded.minutes.empty() && unread > 0) {
        loaded.problem =
            path + " is not a day file: none of its " + std::to_string(unread) + " lines reads as a minute of " + day;
    }
    return loaded;
}

LoadedDay History::Day(const std::string& day) {
    if (day != m_today) return load(day);
    LoadedDay loaded{m_today_minutes, m_today_problem};
    if (m_bucket) loaded.minutes.push_back(bucket_means());
    return loaded;
}

std::vector<std::string> History::Days() {
    std::vector<std::string> days;
    for (const std::string& name : m_files.list_folder(m_folder)) {
        if (name.size() == 14 && name.ends_with(".csv") && IsDayKey(std::string_view(name).substr(0, 10)))
            days.push_back(name.substr(0, 10));
    }
    if (!m_today.empty() && std::find(days.begin(), days.end(), m_today) == days.end()) days.push_back(m_today);
    std::sort(days.begin(), days.end());
    return days;
}

std::vector<DayTotal> History::Month(const std::string& month) {
    std::vector<DayTotal> totals;
    const std::optional<Tariff> prices = tariff();
    if (prices != m_totals_tariff) {
        m_day_totals.clear();
        m_totals_tariff = prices;
    }
    for (const std::string& day : Days()) {
        if (!day.starts_with(month + "-")) continue;
        if (const auto kept = m_day_totals.find(day); kept != m_day_totals.end() && day != m_today) {
            totals.push_back(kept->second);
            continue;
        }
        LoadedDay loaded = Day(day);
        const std::optional<Money> money = prices ? std::optional(DayMoney(loaded.minutes, *prices)) : std::nullopt;
        totals.push_back({day, std::atoi(day.substr(8, 2).c_str()), DayEnergy(loaded.minutes),
                          CountedSince(loaded.minutes), std::move(loaded.problem), money});
        if (day != m_today && totals.back().problem.empty()) m_day_totals[day] = totals.back();
    }
    return totals;
}

std::vector<DayTotal> History::Year(const std::string& year) {
    std::vector<DayTotal> months;
    const bool priced = tariff().has_value();
    for (const std::string& day : Days()) {
        if (!day.starts_with(year + "-")) continue;
        const std::string month = day.substr(0, 7);
        if (months.empty() || months.back().day != month) {
            months.push_back({month, std::atoi(month.substr(5, 2).c_str()), {}, "", "", std::nullopt});
            if (priced) months.back().money.emplace();
        }
    }
    for (DayTotal& month : months) {
        for (const DayTotal& d : Month(month.day)) {
            month.energy += d.energy;
            if (month.money && d.money) *month.money += *d.money;
            if (!d.problem.empty()) month.problem += (month.problem.empty() ? "" : "; ") + d.problem;
        }
    }
    return months;
}

}  // namespace pelmora
