#pragma once

#include <array>
#include <memory>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "phases/shown_figures.h"
#include "site/meter_counters.h"
#include "site/site_equipment.h"
#include "site/site_reading.h"

namespace pelmora {

// A read that reached the output file step, as numbers: the figures the read
// put on the window, taken from the read's own values.
struct FinishedRead {
    std::string address;  // the gateway's address text the read used
    bool request_failed = false;
    std::string failure_text;           // what TimeStamp shows after a failed request
    std::optional<std::int64_t> epoch;  // the gateway's timestamp, whole UTC seconds
    double production_w = 0.0;
    double consumption_w = 0.0;
    double grid_w = 0.0;  // signed: positive import, negative export
    std::array<PhaseFigures, 3> phases{};
    std::int64_t turnaround_ms = 0;
    std::string document;  // the body the read was made from, for reading it again by meter
    // The whole site by meter, when the gateway has a meter list.
    std::optional<SiteReading> site;
    // The site's lifetime counters in Wh, less any rise the meters' power
    // could not explain; nothing for a counter the site lacks or whose rise
    // was held back at this read.
    CounterValues counters{};
    bool consumed_derived = false;  // consumed is produced + imported - exported
    // What the gateway's documents beside the readings said by the time of
    // this read; none where they are not read.
    std::shared_ptr<const SiteEquipment> equipment;
};

// The largest power a read may carry, in watts either way; anything beyond
// is not a measurement of a home.
inline constexpr double kLargestPower = 10e6;

// Takes every finished read, on the window's thread, after the read.
class FinishedReadSink {
public:
    virtual ~FinishedReadSink() = default;
    virtual void OnFinishedRead(const FinishedRead& read) = 0;
};

// Passes finished reads on, but a read whose power figures are not finite
// or beyond kLargestPower is not a measurement: none of `sinks` gets it, and
// the first such read of the run is told to `log` in one line.
class PlausibleReads : public FinishedReadSink {
public:
    PlausibleReads(std::vector<FinishedReadSink*> sinks, std::ostream& log) : m_sinks(std::move(sinks)), m_log(log) {}
    void OnFinishedRead(const FinishedRead& read) override;

private:
    std::vector<FinishedReadSink*> m_sinks;
    std::ostream& m_log;
    bool m_told = false;
};

}  // namespace pelmora
