#pragma once

#include <string_view>

namespace pelmora {

// The gateway's documents, told apart by what they hold.
enum class DocumentKind {
    Readings,    // /ivp/meters/readings
    MeterList,   // /ivp/meters
    Info,        // /info
    Inventory,   // /ivp/ensemble/inventory
    Aggregate,   // /ivp/ensemble/secctrl
    Power,       // /ivp/ensemble/power
    Inverters,   // /api/v1/production/inverters
    Production,  // /production.json
    Tariff,      // /admin/lib/tariff
    Unknown
};

// What `text` is, judged by its first entry or its own fields, never by a
// name; Unknown for anything else, an empty list included.
DocumentKind KindOfDocument(std::string_view text);

// "readings", "meter list", "/info", ... as the inspector names them.
std::string_view DocumentKindName(DocumentKind kind);

}  // namespace pelmora
