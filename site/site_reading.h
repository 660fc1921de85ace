#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "site/site_meters.h"

namespace simdjson::dom {
class parser;
}

namespace pelmora {

// One listed, enabled meter as a readings document shows it. Powers are
// positive towards the house's switchboard.
struct MeterReading {
    SiteMeter meter;
    double power_w = 0.0;
    std::vector<double> phase_power_w;   // the first phase_count channels only
    std::optional<double> delivered_wh;  // the lifetime counters, when given
    std::optional<double> received_wh;
};

// The whole site at one reading, with the figures derived from its meters.
struct SiteReading {
    std::vector<MeterReading> meters;  // in the document's order
    std::optional<double> production_w;
    std::optional<double> consumption_w;  // production + net, or the total meter's
    // The storage meter's power: positive while the battery discharges,
    // negative while it charges.
    std::optional<double> battery_w;
    // What the house uses without the battery: consumption + battery power.
    std::optional<double> load_w;
    // The house load came out below zero: the meters are placed otherwise
    // than the usual model has them. The figure is kept as it came out.
    bool meters_disagree = false;

    // The first reading of a meter of `type`, or nothing.
    const MeterReading* find(MeterType type) const;
    // Whether the site has a meter beyond production and net or total
    // consumption. A site that has not is shown, sent and kept exactly as
    // one read by position.
    bool has_more() const;
};

// The site's second meter: net consumption where it has one, else total
// consumption.
MeterType SecondMeterType(const SiteReading& site);

// How many phases of the meter of `type` are shown and sent: its phaseCount
// on a site with more than production and consumption meters, all three
// otherwise (no site, no such meter, or a site read as by position).
int ShownPhases(const SiteReading* site, MeterType type);

// Reads readings documents by meter with a JSON parser it keeps between
// calls.
class SiteReader {
public:
    SiteReader();
    ~SiteReader();
    SiteReader(const SiteReader&) = delete;
    SiteReader& operator=(const SiteReader&) = delete;

    // The site `readings` shows for the meter list `meters`, matched by eid.
    // Entries that are not in the list, belong to a disabled meter, or carry
    // the timestamp 0 are skipped. Nothing when the text is not a readings
    // array or no listed meter is in it.
    std::optional<SiteReading> Read(const std::vector<SiteMeter>& meters, std::string_view readings);
    // The first two entries as the production meter and the net (or, with
    // `second_is_total`, the total) consumption meter, as a gateway without a
    // meter list orders them.
    std::optional<SiteReading> ReadByPosition(std::string_view readings, bool second_is_total);
    // The eids of every entry of the last document read, in its order; empty
    // when it was not a readings array.
    const std::vector<std::uint64_t>& seen_eids() const { return m_seen; }

private:
    // The site's figures from its meters; nothing without a meter.
    static std::optional<SiteReading> derive(SiteReading site);

    simdjson::dom::parser* m_parser;
    std::vector<std::uint64_t> m_seen;
};

}  // namespace pelmora
