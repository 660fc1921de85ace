#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace pelmora {

// The values of one meter, or of one of its phases, in the gateway's key order.
struct MeterValues {
    std::int64_t eid = 0;
    std::int64_t timestamp = 0;
    double actEnergyDlvd = 0, actEnergyRcvd = 0, apparentEnergy = 0;
    double reactEnergyLagg = 0, reactEnergyLead = 0, instantaneousDemand = 0;
    double activePower = 0, apparentPower = 0, reactivePower = 0, pwrFactor = 0;
    double voltage = 0, current = 0, freq = 0;
    bool idleNegativeZero = false;  // an idle phase whose power reads "-0.000"
};

struct SimulatedMeter {
    MeterValues whole;
    std::array<MeterValues, 3> phases;
};

enum class DocumentLayout { Indented, Compact };

// The readings document as the gateway writes it: a JSON array of meters,
// numbers with three decimals; Indented is 4 blanks per level, one key per line.
std::string RenderReadings(const std::vector<SimulatedMeter>& meters, DocumentLayout layout, bool crlf = false);

// Which meters the installation has:
// - Plain: production and net consumption, three phases each (no meter list);
// - Battery: production, net consumption and storage, split phase, the net
//   meter's third channel repeating the storage meter's second;
// - Collar: seven listed meters (production, net consumption, storage and
//   backfeed enabled; load, evse and pv3p disabled, pv3p at timestamp 0) and
//   an eighth entry the list does not name;
// - Total: production and total consumption, three phases each.
enum class SimulatedSite { Plain, Battery, Collar, Total };

// A solar installation whose figures move like a real one: production
// follows the hour of the day, consumption wanders around a base load, a
// battery takes the surplus and covers the shortfall while it has charge,
// and the net meter is what is left: house load = production + net +
// storage. Repeatable for a given seed.
class SimulatedInstallation {
public:
    explicit SimulatedInstallation(std::uint64_t seed, SimulatedSite site = SimulatedSite::Plain);

    // The meters at `epoch` seconds in the document's order; `local_hour`
    // (0 to 24) drives the sun.
    std::vector<SimulatedMeter> Sample(std::int64_t epoch, double local_hour);

    // The gateway's meter list (GET /ivp/meters) as JSON; empty for Plain,
    // whose gateway has none.
    std::string MeterList() const;

    // Every meter's lifetime counters count each flow's energy since the
    // sample before, at the mean of the two samples' powers over the seconds
    // between them. These move them as a faulty gateway does: every
    // delivered counter up by `wh` from the next sample on, or every counter
    // back to 0.
    void JumpCounters(double wh);
    void ResetCounters();

    SimulatedSite site() const { return m_site; }
    // What the battery holds now, of kBatteryWh.
    double stored_wh() const { return m_stored_wh; }
    static constexpr double kBatteryWh = 10000.0;
    // The last sample's production and battery power (positive while discharging).
    double produced_w() const { return m_last_flows[0]; }
    double battery_w() const { return m_last_flows[4] - m_last_flows[5]; }

private:
    SimulatedSite m_site;
    double m_stored_wh = 6000.0;  // the battery's charge, of 10 kWh
    std::mt19937_64 m_random;
    double m_base_load = 450.0;
    double m_energy_produced = 8'123'456.0;
    double m_energy_imported = 5'432'109.0;
    double m_energy_exported = 3'210'987.0;
    double m_energy_consumed = 9'876'543.0;
    double m_energy_discharged = 1'234'567.0;
    double m_energy_charged = 1'345'678.0;
    std::int64_t m_last_epoch = -1;  // before the first sample
    // The last sample's flows, each positive: produced, imported, exported,
    // consumed, discharged, charged.
    std::array<double, 6> m_last_flows{};
};

}  // namespace pelmora
