#include "tools/simulated_equipment.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace pelmora {

namespace {

constexpr int kUnits = 2;
constexpr const char* kUnitSerials[kUnits] = {"482300001101", "482300001102"};

bool has_battery(const SimulatedInstallation& installation) {
    return installation.site() == SimulatedSite::Battery || installation.site() == SimulatedSite::Collar;
}

int charge_of(const SimulatedInstallation& installation) {
    return static_cast<int>(std::lround(100.0 * installation.stored_wh() / SimulatedInstallation::kBatteryWh));
}

std::ostringstream json() {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    return out;
}

}  // namespace

std::string SimulatedInfo(const std::string& serial) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<envoy_info>\n  <time>0</time>\n  <device>\n    <sn>" + serial +
           "</sn>\n    <pn>800-00664-r05</pn>\n    <software>D8.2.4286</software>\n    <imeter>true</imeter>\n"
           "  </device>\n  <web-tokens>true</web-tokens>\n</envoy_info>\n";
}

std::string SimulatedInventory(const SimulatedInstallation& installation, std::int64_t now) {
    if (!has_battery(installation)) return {};
    std::ostringstream out = json();
    out << "[\n    {\n        \"type\": \"ENCHARGE\",\n        \"devices\": [";
    for (int unit = 0; unit < kUnits; ++unit) {
        out << (unit ? "," : "") << "\n            {\"serial_num\": \"" << kUnitSerials[unit]
            << "\", \"last_rpt_date\": " << now - 30
            << ", \"communicating\": true, \"percentFull\": " << charge_of(installation)
            << ", \"temperature\": " << 21 + unit << ", \"encharge_capacity\": 5000}";
    }
    out << "\n        ]\n    },\n    {\n        \"type\": \"ENPOWER\",\n        \"devices\": [\n"
        << "            {\"serial_num\": \"482300002201\", \"communicating\": true, \"mains_admin_state\": \"closed\", "
           "\"mains_oper_state\": \"closed\"}\n        ]\n    }\n]\n";
    return out.str();
}

std::string SimulatedAggregate(const SimulatedInstallation& installation) {
    if (!has_battery(installation)) return {};
    std::ostringstream out = json();
    out << "{\n    \"agg_soc\": " << charge_of(installation)
        << ",\n    \"Max_energy\": " << SimulatedInstallation::kBatteryWh
        << ",\n    \"ENC_agg_soc\": " << charge_of(installation)
        << ",\n    \"ENC_agg_avail_energy\": " << std::lround(installation.stored_wh())
        << ",\n    \"ACB_agg_soc\": 0,\n    \"ACB_agg_energy\": 0\n}\n";
    return out.str();
}

std::string SimulatedPower(const SimulatedInstallation& installation) {
    if (!has_battery(installation)) return {};
    std::ostringstream out = json();
    out << "{\n    \"devices:\": [";
    for (int unit = 0; unit < kUnits; ++unit) {
        out << (unit ? "," : "") << "\n        {\"serial_num\": \"" << kUnitSerials[unit]
            << "\", \"real_power_mw\": " << std::lround(installation.battery_w() * 1000.0 / kUnits)
            << ", \"soc\": " << charge_of(installation) << "}";
    }
    out << "\n    ]\n}\n";
    return out.str();
}

std::string SimulatedInverters(const SimulatedInstallation& installation, std::int64_t now) {
    const bool battery = has_battery(installation);
    const int count = battery ? 20 : 12;
    const int reporting = battery ? count - 1 : count;
    const double each = std::max(installation.produced_w(), 0.0) / reporting;
    std::ostringstream out = json();
    out << "[";
    for (int i = 0; i < count; ++i) {
        const bool silent = i >= reporting;
        const long watts = silent ? 0 : std::lround(each * (0.94 + 0.012 * (i % 10)));
        out << (i ? "," : "") << "\n    {\n        \"serialNumber\": \"2023300575" << 10 + i
            << "\",\n        \"lastReportDate\": "
            << (silent ? now - std::int64_t{3} * 3600 : now - 60 - std::int64_t{17} * i)
            << ",\n        \"devType\": 1,\n        \"lastReportWatts\": " << watts
            << ",\n        \"maxReportWatts\": " << 330 + (i * 7) % 25 << "\n    }";
    }
    out << "\n]\n";
    return out.str();
}

std::string SimulatedProduction(const SimulatedInstallation& installation, std::int64_t now) {
    std::ostringstream out = json();
    out << "{\n    \"production\": [\n        {\"type\": \"inverters\", \"activeCount\": "
        << (has_battery(installation) ? 19 : 12) << ", \"readingTime\": " << now
        << ", \"wNow\": " << std::lround(std::max(installation.produced_w(), 0.0))
        << "}\n    ],\n    \"storage\": []\n}\n";
    return out.str();
}

std::string SimulatedTariff(const SimulatedInstallation& installation) {
    // The plain site has no tariff, so that it reads and publishes exactly what its meters give.
    if (!has_battery(installation)) return {};
    return "{\n    \"tariff\": {\n        \"currency\": {\"code\": \"EUR\"},\n"
           "        \"storage_settings\": {\"mode\": \"self-consumption\", \"reserved_soc\": 20.0},\n"
           "        \"single_rate\": {\"rate\": 0.3, \"sell\": 0.08},\n        \"seasons\": []\n    }\n}\n";
}

}  // namespace pelmora
