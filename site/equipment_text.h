#pragma once

#include <string>

#include "site/site_equipment.h"

namespace pelmora {

// "46 %".
std::string ChargeText(int charge);
// A whole number with its thousands grouped by commas: "7,010".
std::string GroupedWhole(double value);

// The lines the inspector prints, one per subject, each ended by a line
// break; "" for what the documents do not tell:
// "Battery: 46 % (11.6 of 25.0 kWh), reserve 20 %, self-consumption"
std::string BatteryLine(const BatteryState& battery);
// "Battery unit 492320000140: 39 %, 5.0 kWh, 18 °C"
std::string UnitLine(const BatteryUnit& unit);
// "Older batteries: 3, 25 %, 0.9 kWh, discharging 260 W"
std::string OlderLine(const OlderBatteries& older);
// "Grid: connected" or "Grid: cut off"
std::string GridLine(bool connected);
// "Inverters: 35, 35 reporting, 7,010 W"
std::string InvertersLine(const InverterSummary& summary);
// "Gateway: serial S, part P, firmware F", with /info's serial, part number and firmware
std::string GatewayLine(const GatewayInfo& gateway);
// All of the above that apply, in that order.
std::string EquipmentText(const SiteEquipment& equipment);

// The battery row's tooltip: the available and total energy, the reserve,
// each unit's charge and temperature; lines without a final break.
std::string BatteryTooltip(const BatteryState& battery);

}  // namespace pelmora
