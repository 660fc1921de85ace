#pragma once

#include <cstdint>
#include <string>

#include "tools/gateway_document.h"

namespace pelmora {

// The gateway's documents beside the readings for a simulated installation
// at its last sample, shaped as the real gateway writes them. A battery
// site has two batteries of 5 kWh holding what the installation stores, a
// grid switch on the grid and 20 inverters, one of which stopped reporting
// three hours ago; the other sites have 12 inverters and no battery
// documents (empty: the path is not there). The inverters share the
// production.
std::string SimulatedInfo(const std::string& serial);
std::string SimulatedInventory(const SimulatedInstallation& installation, std::int64_t now);
std::string SimulatedAggregate(const SimulatedInstallation& installation);
std::string SimulatedPower(const SimulatedInstallation& installation);
std::string SimulatedInverters(const SimulatedInstallation& installation, std::int64_t now);
std::string SimulatedProduction(const SimulatedInstallation& installation, std::int64_t now);
std::string SimulatedTariff(const SimulatedInstallation& installation);

}  // namespace pelmora
