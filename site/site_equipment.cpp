#include "site/site_equipment.h"

#include <cmath>
#include <utility>

namespace pelmora {

namespace {

bool has_batteries(const SiteEquipment& equipment) {
    return (equipment.aggregate && equipment.aggregate->max_energy_wh > 0) ||
           (equipment.inventory && !equipment.inventory->units.empty()) ||
           (equipment.older && equipment.older->count > 0);
}

void with_powers(std::vector<BatteryUnit>& units, const std::optional<std::vector<UnitPower>>& powers) {
    if (!powers) return;
    for (BatteryUnit& unit : units) {
        for (const UnitPower& power : *powers) {
            if (power.serial == unit.serial) unit.power_w = power.power_w;
        }
    }
}

// The units' charge weighed by their capacity, where every unit tells both.
void from_units(BatteryState& state) {
    double capacity = 0;
    double stored = 0;
    for (const BatteryUnit& unit : state.units) {
        if (!unit.charge || !unit.capacity_wh) return;
        capacity += *unit.capacity_wh;
        stored += *unit.capacity_wh * *unit.charge / 100.0;
    }
    if (capacity <= 0) return;
    state.capacity_wh = capacity;
    state.available_wh = stored;
    state.charge = static_cast<int>(std::lround(100.0 * stored / capacity));
}

}  // namespace

bool TakeDocument(SiteEquipment& equipment, DocumentKind kind, std::string_view text, std::int64_t now,
                  AbsurdNotes& absurd) {
    auto keep = [](auto& slot, auto parsed) {
        if (!parsed) return false;
        slot = std::move(parsed);
        return true;
    };
    switch (kind) {
        case DocumentKind::Info: return keep(equipment.gateway, ParseGatewayInfo(text));
        case DocumentKind::Inventory: return keep(equipment.inventory, ParseEnsembleInventory(text, absurd));
        case DocumentKind::Aggregate: return keep(equipment.aggregate, ParseBatteryAggregate(text, absurd));
        case DocumentKind::Power: return keep(equipment.powers, ParseBatteryPower(text, absurd));
        case DocumentKind::Inverters: return keep(equipment.inverters, ParseInverters(text, now, absurd));
        case DocumentKind::Production: return keep(equipment.older, ParseOlderBatteries(text, absurd));
        case DocumentKind::Tariff: {
            const bool storage = keep(equipment.storage, ParseStorageSettings(text, absurd));
            const bool prices = keep(equipment.tariff, ParseTariff(text, absurd));
            return storage || prices;
        }
        default: return false;
    }
}

std::optional<BatteryState> BatteryOf(const SiteEquipment& equipment) {
    if (!has_batteries(equipment)) return std::nullopt;
    BatteryState state;
    if (equipment.inventory) state.units = equipment.inventory->units;
    with_powers(state.units, equipment.powers);
    if (equipment.older && equipment.older->count > 0) state.older = equipment.older;
    if (equipment.aggregate && equipment.aggregate->max_energy_wh > 0) {
        state.charge = equipment.aggregate->charge;
        state.capacity_wh = equipment.aggregate->max_energy_wh;
        state.available_wh = equipment.aggregate->available_wh;
    } else if (!state.units.empty()) {
        from_units(state);
    } else if (state.older) {
        state.charge = state.older->charge;
        state.available_wh = state.older->energy_wh;
    }
    if (equipment.storage) {
        state.reserve = equipment.storage->reserve;
        state.mode = equipment.storage->mode;
    }
    return state;
}

std::optional<bool> GridConnected(const SiteEquipment& equipment) {
    return equipment.inventory ? equipment.inventory->grid_connected : std::nullopt;
}

}  // namespace pelmora
