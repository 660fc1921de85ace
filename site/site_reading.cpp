#include "site/site_reading.h"

#include <simdjson.h>

#include <algorithm>

namespace pelmora {

namespace {

std::optional<double> number(const simdjson::dom::object& fields, std::string_view key) {
    double value = 0.0;
    if (fields[key].get(value) != simdjson::SUCCESS) return std::nullopt;
    return value;
}

}  // namespace

const MeterReading* SiteReading::find(MeterType type) const {
    const auto found =
        std::find_if(meters.begin(), meters.end(), [type](const MeterReading& m) { return m.meter.type == type; });
    return found == meters.end() ? nullptr : &*found;
}

MeterType SecondMeterType(const SiteReading& site) {
    return site.find(MeterType::NetConsumption) != nullptr ? MeterType::NetConsumption : MeterType::TotalConsumption;
}

int ShownPhases(const SiteReading* site, MeterType type) {
    if (site == nullptr || !site->has_more()) return 3;
    const MeterReading* meter = site->find(type);
    return meter == nullptr ? 3 : std::clamp(meter->meter.phase_count, 0, 3);
}

bool SiteReading::has_more() const {
    return std::any_of(meters.begin(), meters.end(), [](const MeterReading& m) {
        return m.meter.type != MeterType::Production && m.meter.type != MeterType::NetConsumption &&
               m.meter.type != MeterType::TotalConsumption;
    });
}

SiteReader::SiteReader() : m_parser(new simdjson::dom::parser) {}

SiteReader::~SiteReader() { delete m_parser; }

namespace {

// One readings entry as a meter's reading; nothing without a power or with
// the timestamp 0.
std::optional<MeterReading> meter_reading(const simdjson::dom::object& fields, const SiteMeter& meter) {
    const std::optional<double> timestamp = number(fields, "timestamp");
    const std::optional<double> power = number(fields, "activePower");
    if (!timestamp || *timestamp == 0.0 || !power) return std::nullopt;
    MeterReading reading;
    reading.meter = meter;
    reading.power_w = *power;
    reading.delivered_wh = number(fields, "actEnergyDlvd");
    reading.received_wh = number(fields, "actEnergyRcvd");
    simdjson::dom::array channels;
    if (fields["channels"].get(channels) == simdjson::SUCCESS) {
        for (const simdjson::dom::element channel : channels) {
            if (static_cast<int>(reading.phase_power_w.size()) >= meter.phase_count) break;
            simdjson::dom::object channel_fields;
            double phase_power = 0.0;
            if (channel.get(channel_fields) == simdjson::SUCCESS &&
                channel_fields["activePower"].get(phase_power) == simdjson::SUCCESS)
                reading.phase_power_w.push_back(phase_power);
        }
    }
    return reading;
}

}  // namespace

std::optional<SiteReading> SiteReader::Read(const std::vector<SiteMeter>& meters, std::string_view readings) {
    m_seen.clear();
    simdjson::dom::array entries;
    if (m_parser->parse(readings.data(), readings.size()).get(entries) != simdjson::SUCCESS) return std::nullopt;
    SiteReading site;
    for (const simdjson::dom::element entry : entries) {
        simdjson::dom::object fields;
        std::uint64_t eid = 0;
        if (entry.get(fields) != simdjson::SUCCESS || fields["eid"].get(eid) != simdjson::SUCCESS) continue;
        m_seen.push_back(eid);
        const auto listed =
            std::find_if(meters.begin(), meters.end(), [eid](const SiteMeter& m) { return m.eid == eid; });
        if (listed == meters.end() || !listed->enabled) continue;
        if (std::optional<MeterReading> reading = meter_reading(fields, *listed))
            site.meters.push_back(std::move(*reading));
    }
    return derive(std::move(site));
}

std::optional<SiteReading> SiteReader::ReadByPosition(std::string_view readings, bool second_is_total) {
    m_seen.clear();
    simdjson::dom::array entries;
    if (m_parser->parse(readings.data(), readings.size()).get(entries) != simdjson::SUCCESS) return std::nullopt;
    SiteReading site;
    std::size_t position = 0;
    for (const simdjson::dom::element entry : entries) {
        if (position == 2) break;
        simdjson::dom::object fields;
        if (entry.get(fields) != simdjson::SUCCESS) continue;
        SiteMeter meter;
        meter.enabled = true;
        meter.phase_count = 3;
        meter.type = position == 0     ? MeterType::Production
                     : second_is_total ? MeterType::TotalConsumption
                                       : MeterType::NetConsumption;
        ++position;
        if (fields["eid"].get(meter.eid) == simdjson::SUCCESS) m_seen.push_back(meter.eid);
        if (std::optional<MeterReading> reading = meter_reading(fields, meter))
            site.meters.push_back(std::move(*reading));
    }
    return derive(std::move(site));
}

std::optional<SiteReading> SiteReader::derive(SiteReading site) {
    if (site.meters.empty()) return std::nullopt;

    const MeterReading* production = site.find(MeterType::Production);
    const MeterReading* net = site.find(MeterType::NetConsumption);
    const MeterReading* total = site.find(MeterType::TotalConsumption);
    const MeterReading* storage = site.find(MeterType::Storage);
    if (production != nullptr) site.production_w = production->power_w;
    if (total != nullptr) {
        site.consumption_w = total->power_w;
    } else if (net != nullptr && production != nullptr) {
        site.consumption_w = production->power_w + net->power_w;
    }
    if (storage != nullptr) {
        site.battery_w = storage->power_w;
        if (site.consumption_w) {
            site.load_w = *site.consumption_w + storage->power_w;
            site.meters_disagree = *site.load_w < 0.0;
        }
    }
    return site;
}

}  // namespace pelmora
