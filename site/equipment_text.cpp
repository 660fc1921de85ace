#include "site/equipment_text.h"

#include <cmath>

#include "readings/number_text.h"

namespace pelmora {

namespace {

std::string kwh(double wh) { return FormatTenths(wh / 1000.0); }

// A percentage the owner set: whole where it is whole, else to a tenth.
std::string percent(double value) {
    return value == std::round(value) ? GroupedWhole(value) + " %" : FormatTenths(value) + " %";
}

std::string energy_part(const BatteryState& battery) {
    if (battery.available_wh && battery.capacity_wh > 0)
        return " (" + kwh(*battery.available_wh) + " of " + kwh(battery.capacity_wh) + " kWh)";
    if (battery.capacity_wh > 0) return " (" + kwh(battery.capacity_wh) + " kWh)";
    if (battery.available_wh) return " (" + kwh(*battery.available_wh) + " kWh)";
    return "";
}

std::string unit_figures(const BatteryUnit& unit, bool with_capacity) {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (unit.charge) add(ChargeText(*unit.charge));
    if (with_capacity && unit.capacity_wh) add(kwh(*unit.capacity_wh) + " kWh");
    if (unit.temperature_c) add(GroupedWhole(*unit.temperature_c) + " \u00b0C");
    if (!unit.communicating) add("not communicating");
    return text;
}

}  // namespace

std::string ChargeText(int charge) { return std::to_string(charge) + " %"; }

std::string GroupedWhole(double value) {
    const long long whole = std::llround(value);
    std::string digits = std::to_string(whole < 0 ? -whole : whole);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return (whole < 0 ? "-" : "") + digits;
}

std::string BatteryLine(const BatteryState& battery) {
    std::string line = "Battery: " + (battery.charge ? ChargeText(*battery.charge) : std::string("charge unknown"));
    line += energy_part(battery);
    if (battery.reserve) line += ", reserve " + percent(*battery.reserve);
    if (!battery.mode.empty()) line += ", " + battery.mode;
    return line + "\n";
}

std::string UnitLine(const BatteryUnit& unit) {
    return "Battery unit " + unit.serial + ": " + unit_figures(unit, true) + "\n";
}

std::string OlderLine(const OlderBatteries& older) {
    std::string line = "Older batteries: " + std::to_string(older.count);
    if (older.charge) line += ", " + ChargeText(*older.charge);
    if (older.energy_wh) line += ", " + kwh(*older.energy_wh) + " kWh";
    if (!older.state.empty()) line += ", " + older.state;
    if (older.power_w) line += " " + GroupedWhole(std::fabs(*older.power_w)) + " W";
    return line + "\n";
}

std::string GridLine(bool connected) { return connected ? "Grid: connected\n" : "Grid: cut off\n"; }

std::string InvertersLine(const InverterSummary& summary) {
    return "Inverters: " + GroupedWhole(static_cast<double>(summary.count)) + ", " +
           GroupedWhole(static_cast<double>(summary.reporting)) + " reporting, " + GroupedWhole(summary.watts) + " W\n";
}

std::string GatewayLine(const GatewayInfo& gateway) {
    return "Gateway: serial " + gateway.serial + ", part " + gateway.part + ", firmware " + gateway.firmware + "\n";
}

std::string EquipmentText(const SiteEquipment& equipment) {
    std::string text;
    if (const std::optional<BatteryState> battery = BatteryOf(equipment)) {
        text += BatteryLine(*battery);
        for (const BatteryUnit& unit : battery->units) text += UnitLine(unit);
        if (battery->older) text += OlderLine(*battery->older);
    }
    if (const std::optional<bool> grid = GridConnected(equipment)) text += GridLine(*grid);
    if (equipment.inverters) text += InvertersLine(SummaryOf(*equipment.inverters));
    if (equipment.gateway) text += GatewayLine(*equipment.gateway);
    return text;
}

std::string BatteryTooltip(const BatteryState& battery) {
    std::string text;
    auto line = [&text](const std::string& part) { text += (text.empty() ? "" : "\n") + part; };
    if (battery.available_wh && battery.capacity_wh > 0)
        line("Available " + kwh(*battery.available_wh) + " of " + kwh(battery.capacity_wh) + " kWh");
    if (battery.reserve) line("Reserve " + percent(*battery.reserve));
    for (const BatteryUnit& unit : battery.units) line("Battery " + unit.serial + ": " + unit_figures(unit, false));
    if (battery.older) {
        std::string older = OlderLine(*battery.older);
        older.pop_back();
        line(older);
    }
    return text;
}

}  // namespace pelmora
