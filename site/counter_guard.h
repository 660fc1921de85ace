#pragma once

#include <array>
#include <cstdint>
#include <ostream>

#include "site/meter_counters.h"

namespace pelmora {

// Keeps a site's lifetime counters trustworthy from read to read. A counter
// that goes down starts a new series: a replaced meter or a reset gateway.
// A rise that the meter's power cannot explain (see StepExplained) is held
// back: that read gives nothing for the counter, and the rise, less what the
// mean of the two reads' powers gives over the time, is left out of every
// later value of the series, so that it is never counted. Each read
// with a held-back rise or a new series is told to `log` in one line.
class CounterGuard {
public:
    explicit CounterGuard(std::ostream& log) : m_log(log) {}

    // The counters of the read at `epoch` as they may be used. Consumed, where
    // the site has no meter of its own for it, is produced + imported -
    // exported, never below its last value within a series.
    CounterValues Check(std::int64_t epoch, const CounterReading& reading);
    // Whether consumed in the last result was derived rather than measured.
    bool consumed_derived() const { return m_derived; }

private:
    struct Track {
        bool started = false;
        double raw = 0.0;     // the last value the meter gave
        double offset = 0.0;  // the held-back rises of this series
        std::int64_t epoch = 0;
        double power = 0.0;
    };

    std::ostream& m_log;
    std::array<Track, kCounters> m_tracks{};
    std::optional<double> m_derived_consumed;
    bool m_derived = false;
};

}  // namespace pelmora
