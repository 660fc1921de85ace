#include "site/battery_documents.h"

#include <cmath>

#include "site/json_fields.h"
#include "site/side_document_limits.h"

namespace pelmora {

namespace {

bool parse(simdjson::dom::parser& parser, std::string_view text, simdjson::dom::element& root) {
    return text.size() <= kLargestSideDocument && parser.parse(text.data(), text.size()).get(root) == simdjson::SUCCESS;
}

std::optional<int> charge(const simdjson::dom::object& fields, std::string_view key, const std::string& who,
                          AbsurdNotes& absurd) {
    const std::optional<double> value = BoundedFigure(NumberField(fields, key), 0, 100, who + ": a charge", absurd);
    if (!value) return std::nullopt;
    return static_cast<int>(std::lround(*value));
}

BatteryUnit battery_unit(const simdjson::dom::object& fields, AbsurdNotes& absurd) {
    BatteryUnit unit;
    unit.serial = TextField(fields, "serial_num");
    const std::string who = "battery " + unit.serial;
    unit.charge = charge(fields, "percentFull", who, absurd);
    unit.capacity_wh =
        BoundedFigure(NumberField(fields, "encharge_capacity"), 0, kLargestBatteryWh, who + ": a capacity", absurd);
    unit.temperature_c = BoundedFigure(NumberField(fields, "temperature"), -60, 150, who + ": a temperature", absurd);
    bool communicating = false;
    unit.communicating = fields["communicating"].get(communicating) == simdjson::SUCCESS && communicating;
    return unit;
}

std::optional<bool> grid_connected(const simdjson::dom::object& fields) {
    const std::string state = TextField(fields, "mains_oper_state");
    if (state == "closed") return true;
    if (state == "open") return false;
    return std::nullopt;
}

}  // namespace

std::optional<EnsembleInventory> ParseEnsembleInventory(std::string_view text, AbsurdNotes& absurd) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::array groups;
    if (!parse(parser, text, root) || root.get(groups) != simdjson::SUCCESS) return std::nullopt;
    EnsembleInventory inventory;
    for (const simdjson::dom::element group : groups) {
        simdjson::dom::object group_fields;
        simdjson::dom::array devices;
        if (group.get(group_fields) != simdjson::SUCCESS || group_fields["devices"].get(devices) != simdjson::SUCCESS)
            return std::nullopt;
        const std::string type = TextField(group_fields, "type");
        for (const simdjson::dom::element device : devices) {
            simdjson::dom::object fields;
            if (device.get(fields) != simdjson::SUCCESS) continue;
            if (type == "ENCHARGE") inventory.units.push_back(battery_unit(fields, absurd));
            if (type == "ENPOWER" && !inventory.grid_connected) inventory.grid_connected = grid_connected(fields);
        }
    }
    return inventory;
}

std::optional<BatteryAggregate> ParseBatteryAggregate(std::string_view text, AbsurdNotes& absurd) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::object fields;
    if (!parse(parser, text, root) || root.get(fields) != simdjson::SUCCESS) return std::nullopt;
    const std::optional<double> soc = NumberField(fields, "agg_soc");
    const std::optional<double> max_energy = NumberField(fields, "Max_energy");
    if (!soc || !max_energy) return std::nullopt;
    BatteryAggregate aggregate;
    aggregate.charge = charge(fields, "agg_soc", "the batteries", absurd);
    aggregate.max_energy_wh =
        BoundedFigure(max_energy, 0, kLargestBatteryWh, "the batteries: a capacity", absurd).value_or(0);
    const std::optional<double> newer = NumberField(fields, "ENC_agg_avail_energy");
    const std::optional<double> older = NumberField(fields, "ACB_agg_energy");
    if (newer || older)
        aggregate.available_wh = BoundedFigure(newer.value_or(0) + older.value_or(0), 0, kLargestBatteryWh,
                                               "the batteries: an available energy", absurd);
    aggregate.has_older = NumberField(fields, "ACB_agg_soc").value_or(0) != 0 || older.value_or(0) != 0;
    return aggregate;
}

std::optional<std::vector<UnitPower>> ParseBatteryPower(std::string_view text, AbsurdNotes& absurd) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::object fields;
    simdjson::dom::array devices;
    if (!parse(parser, text, root) || root.get(fields) != simdjson::SUCCESS) return std::nullopt;
    // The gateway writes this key with a colon in it; the plain one is taken as well.
    if (fields["devices:"].get(devices) != simdjson::SUCCESS && fields["devices"].get(devices) != simdjson::SUCCESS)
        return std::nullopt;
    std::vector<UnitPower> powers;
    for (const simdjson::dom::element device : devices) {
        simdjson::dom::object unit;
        if (device.get(unit) != simdjson::SUCCESS) continue;
        const std::string serial = TextField(unit, "serial_num");
        const std::optional<double> milliwatts = NumberField(unit, "real_power_mw");
        const std::optional<double> watts =
            BoundedFigure(milliwatts ? std::optional(*milliwatts / 1000.0) : std::nullopt, -kLargestBatteryW,
                          kLargestBatteryW, "battery " + serial + ": a power", absurd);
        if (watts) powers.push_back({serial, *watts});
    }
    return powers;
}

std::optional<OlderBatteries> ParseOlderBatteries(std::string_view text, AbsurdNotes& absurd) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::object fields;
    simdjson::dom::array production;
    if (!parse(parser, text, root) || root.get(fields) != simdjson::SUCCESS ||
        fields["production"].get(production) != simdjson::SUCCESS)
        return std::nullopt;
    OlderBatteries older;
    simdjson::dom::array storage;
    if (fields["storage"].get(storage) != simdjson::SUCCESS) return older;
    for (const simdjson::dom::element entry : storage) {
        simdjson::dom::object battery;
        if (entry.get(battery) != simdjson::SUCCESS || TextField(battery, "type") != "acb") continue;
        const double count = NumberField(battery, "activeCount").value_or(0);
        if (count <= 0 || count > 1000) continue;
        older.count = static_cast<int>(count);
        older.charge = charge(battery, "percentFull", "the older batteries", absurd);
        older.energy_wh = BoundedFigure(NumberField(battery, "whNow"), 0, kLargestBatteryWh,
                                        "the older batteries: an energy", absurd);
        older.power_w = BoundedFigure(NumberField(battery, "wNow"), -kLargestBatteryW, kLargestBatteryW,
                                      "the older batteries: a power", absurd);
        older.state = TextField(battery, "state");
    }
    return older;
}

std::optional<StorageSettings> ParseStorageSettings(std::string_view text, AbsurdNotes& absurd) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::object storage;
    if (!parse(parser, text, root) || root["tariff"]["storage_settings"].get(storage) != simdjson::SUCCESS)
        return std::nullopt;
    StorageSettings settings;
    settings.reserve = BoundedFigure(NumberField(storage, "reserved_soc"), 0, 100, "the batteries: a reserve", absurd);
    settings.mode = TextField(storage, "mode");
    return settings;
}

}  // namespace pelmora
