#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "site/meter_counters.h"

namespace pelmora {

// Keeps a site's lifetime counters trustworthy from read to read.
// - A value below 0, beyond kLargestCounterWh or not finite is no value.
// - A counter a little below the highest of its series (kJitterWh, or a
//   thousandth of the value) is jitter: the last value given is given again.
// - A counter further down starts a new series (a replaced meter, a reset
//   gateway); a later value back at about the old series' level, with a rise
//   from it the power explains, continues the old series instead.
// - A rise that the meter's power cannot explain is held back: that read
//   gives nothing for the counter, and the rise, less what the mean of the
//   two reads' powers gives over the time, is left out of every later value
//   of the series. The power explains at most 1.5 times the larger power
//   over the time, plus an allowance of 10 Wh that rises use up and that
//   comes back at 10 Wh per 5 minutes; reads more than 5 minutes apart are
//   not checked.
// Each read with a held-back rise or a new series is told to `log` in one
// line; jitter is told once per counter.
class CounterGuard {
public:
    static constexpr double kLargestCounterWh = 1e13;
    static constexpr double kJitterWh = 100.0;

    // What the guard knows of one counter, kept across a restart.
    struct Track {
        bool started = false;
        double raw = 0.0;     // the highest value the meter gave in this series
        double offset = 0.0;  // the held-back rises of this series
        std::int64_t epoch = 0;
        double power = 0.0;
        double allowance = 10.0;           // Wh a rise may have beyond the power
        std::optional<double> given;       // the last value given
        std::optional<double> before_raw;  // the series a drop left, for a return
        double before_offset = 0.0;
        std::int64_t before_epoch = 0;
        bool told_jitter = false;
    };
    using Tracks = std::array<Track, kCounters>;

    explicit CounterGuard(std::ostream& log) : m_log(log) {}

    // The counters of the read at `epoch` as they may be used. Consumed, where
    // the site has no meter of its own for it, is produced + imported -
    // exported, never below its last value within a series.
    CounterValues Check(std::int64_t epoch, const CounterReading& reading);
    // Whether consumed in the last result was derived rather than measured.
    bool consumed_derived() const { return m_derived; }

    const Tracks& tracks() const { return m_tracks; }
    // The lowest the derived consumed may give next; nothing before it was derived.
    const std::optional<double>& derived_floor() const { return m_derived_consumed; }
    // Goes on from what an earlier run knew.
    void Restore(const Tracks& tracks, std::optional<double> derived_floor = std::nullopt) {
        m_tracks = tracks;
        m_derived_consumed = derived_floor;
    }

private:
    // One counter's value, or nothing; what the log is told collects in m_held,
    // m_restarted and m_returned.
    std::optional<double> check(Track& t, std::size_t c, std::int64_t epoch, double raw, double power);

    std::ostream& m_log;
    Tracks m_tracks{};
    std::optional<double> m_derived_consumed;
    bool m_derived = false;
    std::string m_held;
    std::string m_restarted;
    std::string m_returned;
};

}  // namespace pelmora
