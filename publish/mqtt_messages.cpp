#include "publish/mqtt_messages.h"

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
    std::string value_path;  // under value_json
    const char* unit;
    const char* device_class;
};

std::vector<Figure> figures() {
    std::vector<Figure> list = {{"production", "Production", "production_w", "W", "power"},
                                {"consumption", "Consumption", "consumption_w", "W", "power"},
                                {"grid", "Grid", "grid_w", "W", "power"}};
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        const std::string at = "phases[" + std::to_string(i) + "].";
        list.push_back({"phase" + n + "_solar", "Phase " + n + " solar", at + "solar_w", "W", "power"});
        list.push_back({"phase" + n + "_grid", "Phase " + n + " grid", at + "grid_w", "W", "power"});
        list.push_back({"phase" + n + "_amps", "Phase " + n + " current", at + "amps", "A", "current"});
        list.push_back({"phase" + n + "_volts", "Phase " + n + " voltage", at + "volts", "V", "voltage"});
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
    out += "],\"turnaround_ms\":" + std::to_string(read.turnaround_ms) + "}";
    return out;
}

std::string ErrorPayload(const std::string& text) { return "{\"error\":" + JsonString(text) + "}"; }

std::vector<BusMessage> DiscoveryMessages(const MqttSettings& settings, const std::string& device,
                                          const std::string& address, bool remove) {
    const DeviceTopics topics = TopicsFor(settings.prefix, device);
    const std::string node = "pelmora_" + device;
    const std::string device_block =
        "{\"identifiers\":[" + JsonString(node) + "],\"name\":" + JsonString("Solar gateway " + address) +
        ",\"model\":\"Solar gateway meters read by Pelmora\",\"manufacturer\":\"Pelmora\"}";
    std::vector<BusMessage> messages;
    for (const Figure& f : figures()) {
        BusMessage m;
        m.topic = settings.discovery_prefix + "/sensor/" + node + "/" + f.object + "/config";
        m.retain = true;
        if (!remove) {
            std::string& p = m.payload;
            p = "{\"unique_id\":" + JsonString(node + "_" + f.object);
            p += ",\"name\":" + JsonString(f.name);
            p += ",\"state_topic\":" + JsonString(topics.state);
            p += ",\"value_template\":" + JsonString("{{ value_json." + f.value_path + " }}");
            p += std::string(",\"unit_of_measurement\":\"") + f.unit + "\"";
            p += std::string(",\"device_class\":\"") + f.device_class + "\"";
            p += ",\"state_class\":\"measurement\"";
            p += ",\"availability_topic\":" + JsonString(topics.availability);
            p += ",\"device\":" + device_block + "}";
        }
        messages.push_back(std::move(m));
    }
    return messages;
}

}  // namespace pelmora
