#include "publish/mqtt_messages.h"

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
    std::string value_path;  // under value_json
    const char* unit;
    const char* device_class;
};

std::vector<Figure> figures(bool battery) {
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
    if (battery) {
        list.push_back({"battery", "Battery", "battery_w", "W", "power"});
        list.push_back({"load", "House load", "load_w", "W", "power"});
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
    out += "}";
    return out;
}

std::string ErrorPayload(const std::string& text) { return "{\"error\":" + JsonString(text) + "}"; }

std::vector<BusMessage> DiscoveryMessages(const MqttSettings& settings, const std::string& device,
                                          const std::string& address, bool remove, bool battery) {
    const DeviceTopics topics = TopicsFor(settings.prefix, device);
    const std::string node = "pelmora_" + device;
    const std::string device_block =
        "{\"identifiers\":[" + JsonString(node) + "],\"name\":" + JsonString("Solar gateway " + address) +
        ",\"model\":\"Solar gateway meters read by Pelmora\",\"manufacturer\":\"Pelmora\"}";
    std::vector<BusMessage> messages;
    for (const Figure& f : figures(battery)) {
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
