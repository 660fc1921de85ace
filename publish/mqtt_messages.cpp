#include "publish/mqtt_messages.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "publish/json_text.h"

namespace pelmora {

namespace {

std::string iso_utc(std::int64_t epoch) {
    const std::time_t seconds = static_cast<std::time_t>(epoch);
    std::tm utc{};
    if (::gmtime_r(&seconds, &utc) == nullptr) return {};
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

struct Figure {
    std::string object;
    std::string name;
    std::string value_template;
    const char* unit;
    const char* device_class;
    const char* state_class = "measurement";
};

const char* const kCounterTitles[kCounters] = {"Energy produced", "Energy imported", "Energy exported",
                                               "Energy consumed", "Energy charged",  "Energy discharged"};

// A counter's value, or the sensor's own state while a read gives none (a
// rise held back): the Energy dashboard then sees no step at all.
std::string counter_template(std::string_view name) {
    const std::string key = "value_json.energy." + std::string(name);
    return "{{ " + key + " if value_json.energy is defined and " + key + " is defined else states(entity_id) }}";
}

std::vector<Figure> figures(bool battery, const CounterSet& counters) {
    const auto value = [](const std::string& path) { return "{{ value_json." + path + " }}"; };
    std::vector<Figure> list = {{"production", "Production", value("production_w"), "W", "power"},
                                {"consumption", "Consumption", value("consumption_w"), "W", "power"},
                                {"grid", "Grid", value("grid_w"), "W", "power"}};
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        const std::string at = "phases[" + std::to_string(i) + "].";
        list.push_back({"phase" + n + "_solar", "Phase " + n + " solar", value(at + "solar_w"), "W", "power"});
        list.push_back({"phase" + n + "_grid", "Phase " + n + " grid", value(at + "grid_w"), "W", "power"});
        list.push_back({"phase" + n + "_amps", "Phase " + n + " current", value(at + "amps"), "A", "current"});
        list.push_back({"phase" + n + "_volts", "Phase " + n + " voltage", value(at + "volts"), "V", "voltage"});
    }
    if (battery) {
        list.push_back({"battery", "Battery", value("battery_w"), "W", "power"});
        list.push_back({"load", "House load", value("load_w"), "W", "power"});
    }
    for (std::size_t c = 0; c < kCounters; ++c) {
        if (!counters[c]) continue;
        const std::string name(kCounterNames[c]);
        list.push_back(
            {"energy_" + name, kCounterTitles[c], counter_template(name), "kWh", "energy", "total_increasing"});
    }
    return list;
}

}  // namespace

DeviceTopics TopicsFor(const std::string& prefix, const std::string& device) {
    const std::string base = prefix + "/" + device + "/";
    return {base + "state", base + "error", base + "availability"};
}

std::string StatePayload(const FinishedRead& read) {
    std::string out = "{\"time\":";
    out += read.epoch ? JsonString(iso_utc(*read.epoch)) : "null";
    out += ",\"epoch\":";
    out += read.epoch ? std::to_string(*read.epoch) : "null";
    out += ",\"production_w\":" + JsonNumber(read.production_w);
    out += ",\"consumption_w\":" + JsonNumber(read.consumption_w);
    out += ",\"grid_w\":" + JsonNumber(read.grid_w);
    out += ",\"phases\":[";
    for (std::size_t i = 0; i < read.phases.size(); ++i) {
        const PhaseFigures& p = read.phases[i];
        if (i > 0) out += ',';
        out += "{\"solar_w\":" + JsonNumber(p.solar_w) + ",\"grid_w\":" + JsonNumber(p.grid_w) +
               ",\"amps\":" + JsonNumber(p.amps) + ",\"volts\":" + JsonNumber(p.volts) + "}";
    }
    out += "],\"turnaround_ms\":" + std::to_string(read.turnaround_ms);
    if (read.site && read.site->has_more()) {
        // What the site's other meters add; the figures above keep their meaning.
        // To the meters' own resolution: a sum carries no binary noise.
        const auto milliwatts = [](double w) { return JsonNumber(std::round(w * 1000.0) / 1000.0); };
        if (read.site->battery_w) out += ",\"battery_w\":" + milliwatts(*read.site->battery_w);
        if (read.site->load_w) out += ",\"load_w\":" + milliwatts(*read.site->load_w);
        out += ",\"meters\":{";
        for (std::size_t i = 0; i < read.site->meters.size(); ++i) {
            const MeterReading& m = read.site->meters[i];
            out += (i == 0 ? "" : ",") + JsonString(m.meter.type_text) + ":" + milliwatts(m.power_w);
        }
        out += "}";
    }
    if (std::any_of(read.counters.begin(), read.counters.end(), [](const auto& c) { return c.has_value(); })) {
        // Lifetime counters in kWh, to the watt-hour.
        out += ",\"energy\":{";
        bool first = true;
        for (std::size_t c = 0; c < kCounters; ++c) {
            if (!read.counters[c]) continue;
            out += (first ? "\"" : ",\"") + std::string(kCounterNames[c]) +
                   "\":" + JsonNumber(std::round(*read.counters[c]) / 1000.0);
            first = false;
        }
        out += "}";
    }
    out += "}";
    return out;
}

std::string ErrorPayload(const std::string& text) { return "{\"error\":" + JsonString(text) + "}"; }

std::vector<BusMessage> DiscoveryMessages(const MqttSettings& settings, const std::string& device,
                                          const std::string& address, bool remove, bool battery,
                                          const CounterSet& counters) {
    const DeviceTopics topics = TopicsFor(settings.prefix, device);
    const std::string node = "pelmora_" + device;
    const std::string device_block =
        "{\"identifiers\":[" + JsonString(node) + "],\"name\":" + JsonString("Solar gateway " + address) +
        ",\"model\":\"Solar gateway meters read by Pelmora\",\"manufacturer\":\"Pelmora\"}";
    std::vector<BusMessage> messages;
    for (const Figure& f : figures(battery, counters)) {
        BusMessage m;
        m.topic = settings.discovery_prefix + "/sensor/" + node + "/" + f.object + "/config";
        m.retain = true;
        if (!remove) {
            std::string& p = m.payload;
            p = "{\"unique_id\":" + JsonString(node + "_" + f.object);
            p += ",\"name\":" + JsonString(f.name);
            p += ",\"state_topic\":" + JsonString(topics.state);
            p += ",\"value_template\":" + JsonString(f.value_template);
            p += std::string(",\"unit_of_measurement\":\"") + f.unit + "\"";
            p += std::string(",\"device_class\":\"") + f.device_class + "\"";
            p += std::string(",\"state_class\":\"") + f.state_class + "\"";
            p += ",\"availability_topic\":" + JsonString(topics.availability);
            p += ",\"device\":" + device_block + "}";
        }
        messages.push_back(std::move(m));
    }
    return messages;
}

}  // namespace pelmora
