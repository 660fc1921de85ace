#include "site/inverter_list.h"

#include <algorithm>

#include "site/json_fields.h"
#include "site/side_document_limits.h"

namespace pelmora {

std::optional<std::vector<Inverter>> ParseInverters(std::string_view text, std::int64_t now, AbsurdNotes& absurd) {
    if (text.size() > kLargestSideDocument) return std::nullopt;
    simdjson::dom::parser parser;
    simdjson::dom::array entries;
    if (parser.parse(text.data(), text.size()).get(entries) != simdjson::SUCCESS) return std::nullopt;
    if (entries.size() > kMostInverters) {
        absurd.push_back("a list of " + std::to_string(entries.size()) + " inverters is left out");
        return std::nullopt;
    }
    std::vector<Inverter> inverters;
    for (const simdjson::dom::element entry : entries) {
        simdjson::dom::object fields;
        if (entry.get(fields) != simdjson::SUCCESS) return std::nullopt;
        Inverter inverter;
        inverter.serial = TextField(fields, "serialNumber");
        const std::optional<double> reported = NumberField(fields, "lastReportDate");
        const std::optional<double> watts = NumberField(fields, "lastReportWatts");
        if (inverter.serial.empty() || !reported || !watts) return std::nullopt;
        const std::string who = "inverter " + inverter.serial;
        const std::optional<double> when =
            BoundedFigure(reported, 0, static_cast<double>(now + kLatestAheadSeconds), who + ": a report time", absurd);
        const std::optional<double> shown =
            BoundedFigure(watts, -kLargestInverterW, kLargestInverterW, who + ": a power", absurd);
        const std::optional<double> largest =
            BoundedFigure(NumberField(fields, "maxReportWatts").value_or(0), -kLargestInverterW, kLargestInverterW,
                          who + ": a largest power", absurd);
        if (!when || !shown) continue;
        inverter.reported = static_cast<std::int64_t>(*when);
        inverter.watts = *shown;
        inverter.max_watts = largest.value_or(0);
        inverters.push_back(std::move(inverter));
    }
    return inverters;
}

InverterSummary SummaryOf(const std::vector<Inverter>& inverters) {
    InverterSummary summary;
    summary.count = inverters.size();
    for (const Inverter& inverter : inverters) {
        summary.newest = std::max(summary.newest, inverter.reported);
        summary.watts += inverter.watts;
    }
    summary.reporting = static_cast<std::size_t>(std::count_if(
        inverters.begin(), inverters.end(), [&](const Inverter& inverter) { return !IsSilent(inverter, summary); }));
    return summary;
}

bool IsSilent(const Inverter& inverter, const InverterSummary& summary, std::int64_t silent_seconds) {
    return summary.newest - inverter.reported > silent_seconds;
}

}  // namespace pelmora
