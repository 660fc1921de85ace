#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "site/bounded_figure.h"

namespace pelmora {

// One battery unit, from the inventory and the power document.
struct BatteryUnit {
    std::string serial;
    std::optional<int> charge;  // %
    std::optional<double> capacity_wh;
    std::optional<double> temperature_c;
    bool communicating = false;
    std::optional<double> power_w;  // negative while charging
};

// What /ivp/ensemble/inventory says: the battery units and the grid switch.
struct EnsembleInventory {
    std::vector<BatteryUnit> units;
    std::optional<bool> grid_connected;  // the switch's state; nothing without a switch
};

// The gateway's own aggregate over every battery kind (/ivp/ensemble/secctrl).
struct BatteryAggregate {
    std::optional<int> charge;           // %
    double max_energy_wh = 0;            // 0 on a site without batteries
    std::optional<double> available_wh;  // what the newer and the older batteries hold now
    bool has_older = false;              // the site has older AC batteries
};

// One unit's power from /ivp/ensemble/power.
struct UnitPower {
    std::string serial;
    double power_w = 0;
};

// The older AC batteries, from the storage list of /production.json.
struct OlderBatteries {
    int count = 0;
    std::optional<int> charge;  // %
    std::optional<double> energy_wh;
    std::optional<double> power_w;  // positive while discharging
    std::string state;
};

// What the owner set for the batteries, from the tariff document.
struct StorageSettings {
    std::optional<double> reserve;  // %
    std::string mode;               // "self-consumption", "backup", "savings"
};

// Each parser takes one document's text and gives nothing for anything else
// (HTML, nonsense, the wrong shape, more than kLargestSideDocument bytes).
// Figures past their bounds (a charge outside 0 to 100 %, a capacity below 0
// or beyond kLargestBatteryWh, and so on) are left out, each with a line in `absurd`.
std::optional<EnsembleInventory> ParseEnsembleInventory(std::string_view text, AbsurdNotes& absurd);
std::optional<BatteryAggregate> ParseBatteryAggregate(std::string_view text, AbsurdNotes& absurd);
std::optional<std::vector<UnitPower>> ParseBatteryPower(std::string_view text, AbsurdNotes& absurd);
// An answer without a storage list gives no older batteries (count 0).
std::optional<OlderBatteries> ParseOlderBatteries(std::string_view text, AbsurdNotes& absurd);
std::optional<StorageSettings> ParseStorageSettings(std::string_view text, AbsurdNotes& absurd);

}  // namespace pelmora
