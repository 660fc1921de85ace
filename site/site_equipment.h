#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "site/battery_documents.h"
#include "site/document_kind.h"
#include "site/gateway_info.h"
#include "site/inverter_list.h"
#include "site/tariff.h"

namespace pelmora {

// What the gateway's documents beside the readings last said; each is
// nothing until its document was read.
struct SiteEquipment {
    std::optional<GatewayInfo> gateway;
    std::optional<EnsembleInventory> inventory;
    std::optional<BatteryAggregate> aggregate;
    std::optional<std::vector<UnitPower>> powers;
    std::optional<OlderBatteries> older;
    std::optional<StorageSettings> storage;
    std::optional<std::vector<Inverter>> inverters;
    std::optional<Tariff> tariff;  // the owner's prices, from the same document as `storage`
    // How often /info told a new firmware for this gateway, and the one before the latest.
    std::uint32_t firmware_changes = 0;
    std::string previous_firmware;
};

// Takes `text` as the latest document of `kind` (at epoch second `now`)
// into `equipment`; false, and nothing changed, when it is not one. The
// readings and the meter list are not taken here.
bool TakeDocument(SiteEquipment& equipment, DocumentKind kind, std::string_view text, std::int64_t now,
                  AbsurdNotes& absurd);

// The site's batteries as one.
struct BatteryState {
    std::optional<int> charge;  // %
    std::optional<double> available_wh;
    double capacity_wh = 0;
    std::optional<double> reserve;  // % the owner keeps back
    std::string mode;
    std::vector<BatteryUnit> units;  // each with its power where the power document has it
    std::optional<OlderBatteries> older;
};

// The batteries: the gateway's own aggregate where it counts a capacity,
// otherwise the units' charge weighed by their capacity, otherwise the
// older batteries'. Nothing on a site without batteries: no capacity in the
// aggregate, no unit in the inventory and no older battery.
std::optional<BatteryState> BatteryOf(const SiteEquipment& equipment);

// On the grid (true), cut off from it (false), or nothing without a grid switch.
std::optional<bool> GridConnected(const SiteEquipment& equipment);

}  // namespace pelmora
