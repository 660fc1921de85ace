#include "site/document_kind.h"

#include <simdjson.h>

#include "site/gateway_info.h"
#include "site/side_document_limits.h"

namespace pelmora {

namespace {

bool has(const simdjson::dom::object& fields, std::string_view key) { return fields[key].error() == simdjson::SUCCESS; }

DocumentKind kind_of_list(const simdjson::dom::array& entries) {
    simdjson::dom::object first;
    if (entries.size() == 0 || entries.at(0).get(first) != simdjson::SUCCESS) return DocumentKind::Unknown;
    if (has(first, "eid") && has(first, "measurementType")) return DocumentKind::MeterList;
    if (has(first, "eid") && (has(first, "activePower") || has(first, "channels"))) return DocumentKind::Readings;
    if (has(first, "serialNumber") && has(first, "lastReportWatts")) return DocumentKind::Inverters;
    if (has(first, "type") && has(first, "devices")) return DocumentKind::Inventory;
    return DocumentKind::Unknown;
}

DocumentKind kind_of_object(const simdjson::dom::object& fields) {
    if (has(fields, "agg_soc") && has(fields, "Max_energy")) return DocumentKind::Aggregate;
    if (has(fields, "devices:") || has(fields, "devices")) return DocumentKind::Power;
    if (has(fields, "production")) return DocumentKind::Production;
    if (has(fields, "tariff")) return DocumentKind::Tariff;
    return DocumentKind::Unknown;
}

}  // namespace

DocumentKind KindOfDocument(std::string_view text) {
    if (text.size() > kLargestSideDocument) return DocumentKind::Unknown;
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos && text[start] == '<')
        return ParseGatewayInfo(text) ? DocumentKind::Info : DocumentKind::Unknown;
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (parser.parse(text.data(), text.size()).get(root) != simdjson::SUCCESS) return DocumentKind::Unknown;
    simdjson::dom::array entries;
    simdjson::dom::object fields;
    if (root.get(entries) == simdjson::SUCCESS) return kind_of_list(entries);
    if (root.get(fields) == simdjson::SUCCESS) return kind_of_object(fields);
    return DocumentKind::Unknown;
}

std::string_view DocumentKindName(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::Readings: return "readings";
        case DocumentKind::MeterList: return "meter list";
        case DocumentKind::Info: return "gateway facts (/info)";
        case DocumentKind::Inventory: return "battery and grid switch inventory";
        case DocumentKind::Aggregate: return "battery aggregate";
        case DocumentKind::Power: return "battery power";
        case DocumentKind::Inverters: return "inverters";
        case DocumentKind::Production: return "production summary";
        case DocumentKind::Tariff: return "tariff";
        case DocumentKind::Unknown: break;
    }
    return "unknown";
}

}  // namespace pelmora
