#include "tools/gateway_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pelmora {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string three_decimals(double value, bool negative_zero) {
    if (negative_zero) return "-0.000";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    return std::string(buffer, result.ptr);
}

class Writer {
public:
    Writer(DocumentLayout layout, bool crlf) : m_indented(layout == DocumentLayout::Indented), m_crlf(crlf) {}

    void line_break(int level) {
        if (!m_indented) return;
        m_out += m_crlf ? "\r\n" : "\n";
        m_out.append(static_cast<std::size_t>(level) * 4, ' ');
    }
    void key(const char* name) {
        m_out += '"';
        m_out += name;
        m_out += m_indented ? "\": " : "\":";
    }
    std::string& out() { return m_out; }

private:
    bool m_indented;
    bool m_crlf;
    std::string m_out;
};

void render_values(Writer& w, const MeterValues& v, int level, const std::array<MeterValues, 3>* phases) {
    struct Field {
        const char* name;
        std::string text;
    };
    const Field fields[] = {
        {"eid", std::to_string(v.eid)},
        {"timestamp", std::to_string(v.timestamp)},
        {"actEnergyDlvd", three_decimals(v.actEnergyDlvd, false)},
        {"actEnergyRcvd", three_decimals(v.actEnergyRcvd, false)},
        {"apparentEnergy", three_decimals(v.apparentEnergy, false)},
        {"reactEnergyLagg", three_decimals(v.reactEnergyLagg, false)},
        {"reactEnergyLead", three_decimals(v.reactEnergyLead, false)},
        {"instantaneousDemand", three_decimals(v.instantaneousDemand, v.idleNegativeZero)},
        {"activePower", three_decimals(v.activePower, v.idleNegativeZero)},
        {"apparentPower", three_decimals(v.apparentPower, false)},
        {"reactivePower", three_decimals(v.reactivePower, v.idleNegativeZero)},
        {"pwrFactor", three_decimals(v.pwrFactor, false)},
        {"voltage", three_decimals(v.voltage, false)},
        {"current", three_decimals(v.current, false)},
        {"freq", three_decimals(v.freq, false)},
    };
    w.out() += '{';
    bool first = true;
    for (const Field& f : fields) {
        if (!first) w.out() += ',';
        first = false;
        w.line_break(level + 1);
        w.key(f.name);
        w.out() += f.text;
    }
    if (phases != nullptr) {
        w.out() += ',';
        w.line_break(level + 1);
        w.key("channels");
        w.out() += '[';
        for (std::size_t p = 0; p < phases->size(); ++p) {
            if (p > 0) w.out() += ',';
            w.line_break(level + 2);
            render_values(w, (*phases)[p], level + 2, nullptr);
        }
        w.line_break(level + 1);
        w.out() += ']';
    }
    w.line_break(level);
    w.out() += '}';
}

double round3(double v) { return std::round(v * 1000.0) / 1000.0; }

}  // namespace

std::string RenderReadings(const std::vector<SimulatedMeter>& meters, DocumentLayout layout, bool crlf) {
    Writer w(layout, crlf);
    w.out() += '[';
    for (std::size_t m = 0; m < meters.size(); ++m) {
        if (m > 0) w.out() += ',';
        w.line_break(1);
        render_values(w, meters[m].whole, 1, &meters[m].phases);
    }
    w.line_break(0);
    w.out() += ']';
    return w.out();
}

SimulatedInstallation::SimulatedInstallation(std::uint64_t seed, SimulatedSite site) : m_site(site), m_random(seed) {}

namespace {

struct ListedMeter {
    std::int64_t eid;
    const char* type;
    bool enabled;
};

std::vector<ListedMeter> listed_meters(SimulatedSite site) {
    switch (site) {
        case SimulatedSite::Plain: return {};
        case SimulatedSite::Battery:
            return {
                {704643328, "production", true}, {704643584, "net-consumption", true}, {704643840, "storage", true}};
        case SimulatedSite::Collar:
            return {{704643328, "production", true}, {704643584, "net-consumption", true}, {704643840, "storage", true},
                    {704644352, "backfeed", true},   {704644608, "load", false},           {704644864, "evse", false},
                    {704645120, "pv3p", false}};
        case SimulatedSite::Total: return {{704643328, "production", true}, {704643584, "total-consumption", true}};
    }
    return {};
}

}  // namespace

void SimulatedInstallation::JumpCounters(double wh) {
    for (double* counter : {&m_energy_produced, &m_energy_imported, &m_energy_consumed, &m_energy_discharged})
        *counter += wh;
}

void SimulatedInstallation::ResetCounters() {
    m_energy_produced = m_energy_imported = m_energy_exported = 0.0;
    m_energy_consumed = m_energy_discharged = m_energy_charged = 0.0;
}

std::string SimulatedInstallation::MeterList() const {
    const std::vector<ListedMeter> meters = listed_meters(m_site);
    if (meters.empty()) return {};
    const bool split = m_site != SimulatedSite::Total;
    std::string out = "[";
    for (std::size_t i = 0; i < meters.size(); ++i) {
        out += std::string(i == 0 ? "" : ",") + "\n    {\n        \"eid\": " + std::to_string(meters[i].eid) +
               ",\n        \"state\": \"" + (meters[i].enabled ? "enabled" : "disabled") +
               "\",\n        \"measurementType\": \"" + meters[i].type + "\",\n        \"phaseMode\": \"" +
               (split ? "split" : "three") + "\",\n        \"phaseCount\": " + (split ? "2" : "3") +
               ",\n        \"meteringStatus\": \"normal\",\n        \"statusFlags\": []\n    }";
    }
    return out + "\n]";
}

std::vector<SimulatedMeter> SimulatedInstallation::Sample(std::int64_t epoch, double local_hour) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);

    const double sun = std::sin(kPi * (local_hour - 6.0) / 12.0);
    double production = sun > 0 ? 4200.0 * sun * (0.9 + 0.1 * unit(m_random)) : -(2.0 + 3.0 * unit(m_random));
    m_base_load = std::clamp(m_base_load + 15.0 * noise(m_random), 250.0, 900.0);
    double consumption = m_base_load + (unit(m_random) < 0.1 ? 1800.0 * unit(m_random) : 0.0);
    // The battery: positive while discharging, towards the switchboard.
    double storage = 0.0;
    if (m_site == SimulatedSite::Battery || m_site == SimulatedSite::Collar) {
        if (production > consumption && m_stored_wh < 10000.0) {
            storage = -std::min(production - consumption, 2500.0);
        } else if (production < consumption && m_stored_wh > 500.0) {
            storage = std::min(consumption - production, 3000.0);
        }
        storage = round3(storage);
        m_stored_wh -= storage / 3600.0;
    }
    double net = consumption - production - storage;

    const std::array<double, 6> flows = {std::max(production, 0.0),  std::max(net, 0.0),     std::max(-net, 0.0),
                                         std::max(consumption, 0.0), std::max(storage, 0.0), std::max(-storage, 0.0)};
    // The first sample counts one second at its own powers.
    const double seconds =
        m_last_epoch < 0 ? 1.0 : static_cast<double>(std::max<std::int64_t>(epoch - m_last_epoch, 0));
    if (m_last_epoch < 0) m_last_flows = flows;
    double* const counters[6] = {&m_energy_produced, &m_energy_imported,   &m_energy_exported,
                                 &m_energy_consumed, &m_energy_discharged, &m_energy_charged};
    for (std::size_t i = 0; i < flows.size(); ++i)
        *counters[i] += (m_last_flows[i] + flows[i]) / 2.0 * seconds / 3600.0;
    m_last_flows = flows;
    m_last_epoch = epoch;

    std::array<double, 3> voltages{};
    for (double& v : voltages) v = round3(230.0 + 2.5 * noise(m_random));

    const bool split_phase = m_site == SimulatedSite::Battery || m_site == SimulatedSite::Collar;
    auto split = [&](double total) {
        std::array<double, 3> shares{0.34 + 0.02 * noise(m_random), 0.33 + 0.02 * noise(m_random), 0.0};
        shares[2] = 1.0 - shares[0] - shares[1];
        if (split_phase) shares = {shares[0] + shares[2] / 2.0, shares[1] + shares[2] / 2.0, 0.0};
        std::array<double, 3> parts{};
        for (int i = 0; i < 3; ++i) parts[i] = round3(total * shares[i]);
        return parts;
    };

    auto make_meter = [&](std::int64_t eid, double power, double pf_magnitude, double delivered, double received,
                          bool allow_idle) {
        SimulatedMeter meter;
        std::array<double, 3> parts = split(power);
        double current_sum = 0.0;
        double voltage_sum = 0.0;
        for (int i = 0; i < 3; ++i) {
            MeterValues& ph = meter.phases[i];
            ph.eid = eid + 1 + i;
            ph.timestamp = epoch;
            ph.voltage = voltages[i];
            ph.activePower = parts[i];
            ph.idleNegativeZero = allow_idle && std::fabs(parts[i]) < 20.0 && unit(m_random) < 0.3;
            if (ph.idleNegativeZero) ph.activePower = 0.0;
            double pf = (ph.activePower < 0 ? -1.0 : 1.0) * pf_magnitude;
            if (std::fabs(ph.activePower) < 1.0) pf = 0.0;
            ph.pwrFactor = round3(pf);
            ph.apparentPower = round3(std::fabs(ph.activePower) / std::max(pf_magnitude, 0.05));
            ph.reactivePower = round3(ph.apparentPower * std::sqrt(std::max(0.0, 1.0 - pf_magnitude * pf_magnitude)));
            ph.current = round3(ph.apparentPower / ph.voltage);
            ph.instantaneousDemand = ph.activePower;
            ph.actEnergyDlvd = round3(delivered / 3.0);
            ph.actEnergyRcvd = round3(received / 3.0);
            ph.apparentEnergy = round3((delivered + received) / 3.0 * 1.05);
            ph.reactEnergyLagg = round3(delivered / 30.0);
            ph.reactEnergyLead = round3(received / 60.0);
            ph.freq = 50.000;
            current_sum += ph.current;
            voltage_sum += ph.voltage;
        }
        MeterValues& w = meter.whole;
        w.eid = eid;
        w.timestamp = epoch;
        w.activePower = round3(meter.phases[0].activePower + meter.phases[1].activePower + meter.phases[2].activePower);
        w.instantaneousDemand = w.activePower;
        w.apparentPower =
            round3(meter.phases[0].apparentPower + meter.phases[1].apparentPower + meter.phases[2].apparentPower);
        w.reactivePower =
            round3(meter.phases[0].reactivePower + meter.phases[1].reactivePower + meter.phases[2].reactivePower);
        w.pwrFactor = w.apparentPower > 0 ? round3(w.activePower / w.apparentPower) : 0.0;
        w.voltage = round3(voltage_sum);
        w.current = round3(current_sum);
        w.actEnergyDlvd = round3(delivered);
        w.actEnergyRcvd = round3(received);
        w.apparentEnergy = round3((delivered + received) * 1.05);
        w.reactEnergyLagg = round3(delivered / 10.0);
        w.reactEnergyLead = round3(received / 20.0);
        w.freq = 50.000;
        return meter;
    };

    std::vector<SimulatedMeter> meters;
    meters.push_back(make_meter(704643328, production, production > 50 ? 0.99 : 0.2, m_energy_produced, 1234.5, true));
    if (m_site == SimulatedSite::Total) {
        meters.push_back(make_meter(704643584, consumption, 0.93, m_energy_consumed, 0.0, false));
        return meters;
    }
    meters.push_back(make_meter(704643584, net, 0.93, m_energy_imported, m_energy_exported, true));
    if (m_site == SimulatedSite::Plain) return meters;
    meters.push_back(make_meter(704643840, storage, 0.98, m_energy_discharged, m_energy_charged, false));
    // The net meter's third channel is not a phase of the site: it repeats
    // the storage meter's second, as real split-phase gateways send it.
    const MeterValues repeated = meters[2].phases[1];
    meters[1].phases[2] = repeated;
    meters[1].phases[2].eid = meters[1].whole.eid + 3;
    if (m_site == SimulatedSite::Collar) {
        meters.push_back(make_meter(704644352, round3(-5.0 * unit(m_random)), 0.5, 0.0, 4321.0, false));
        for (const std::int64_t eid : {704644608, 704644864, 704645120})
            meters.push_back(make_meter(eid, 0.0, 0.0, 0.0, 0.0, false));
        for (MeterValues* v : {&meters[6].whole, &meters[6].phases[0], &meters[6].phases[1], &meters[6].phases[2]})
            v->timestamp = 0;
        meters.push_back(make_meter(1023410688, 0.0, 0.0, 0.0, 0.0, false));
    }
    return meters;
}

}  // namespace pelmora
