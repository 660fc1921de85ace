#include "site/site_meters.h"

#include <simdjson.h>

#include <set>

#include "site/printable_text.h"

namespace pelmora {

MeterType MeterTypeFromText(std::string_view text) {
    static constexpr std::pair<std::string_view, MeterType> kTypes[] = {
        {"production", MeterType::Production},
        {"net-consumption", MeterType::NetConsumption},
        {"total-consumption", MeterType::TotalConsumption},
        {"storage", MeterType::Storage},
        {"backfeed", MeterType::Backfeed},
        {"load", MeterType::Load},
        {"evse", MeterType::Evse},
        {"pv3p", MeterType::Pv3p}};
    for (const auto& [name, type] : kTypes) {
        if (name == text) return type;
    }
    return MeterType::Other;
}

std::optional<std::vector<SiteMeter>> ParseSiteMeters(std::string_view text) {
    if (text.size() > kLargestMeterList) return std::nullopt;
    simdjson::dom::parser parser;
    simdjson::dom::array entries;
    if (parser.parse(text.data(), text.size()).get(entries) != simdjson::SUCCESS) return std::nullopt;
    std::vector<SiteMeter> meters;
    std::set<std::uint64_t> eids;
    for (const simdjson::dom::element entry : entries) {
        simdjson::dom::object fields;
        if (entry.get(fields) != simdjson::SUCCESS) return std::nullopt;
        SiteMeter meter;
        std::string_view type;
        std::int64_t phases = 0;
        if (fields["eid"].get(meter.eid) != simdjson::SUCCESS ||
            fields["measurementType"].get(type) != simdjson::SUCCESS)
            continue;
        if (!eids.insert(meter.eid).second) return std::nullopt;
        if (fields["phaseCount"].get(phases) != simdjson::SUCCESS || phases < 1 || phases > 3) continue;
        meter.phase_count = static_cast<int>(phases);
        meter.type_text = PrintableText(type);
        meter.type = MeterTypeFromText(type);
        std::string_view text_field;
        if (fields["state"].get(text_field) == simdjson::SUCCESS) meter.enabled = text_field == "enabled";
        if (fields["phaseMode"].get(text_field) == simdjson::SUCCESS) meter.phase_mode = PrintableText(text_field);
        if (fields["meteringStatus"].get(text_field) == simdjson::SUCCESS)
            meter.metering_status = PrintableText(text_field);
        simdjson::dom::array flags;
        if (fields["statusFlags"].get(flags) == simdjson::SUCCESS) {
            for (const simdjson::dom::element flag : flags) {
                if (flag.get(text_field) == simdjson::SUCCESS) meter.status_flags.push_back(PrintableText(text_field));
            }
        }
        meters.push_back(std::move(meter));
    }
    if (meters.empty()) return std::nullopt;
    return meters;
}

}  // namespace pelmora
