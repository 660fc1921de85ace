#include "publish/mqtt_messages.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "publish/json_text.h"
#include "readings/number_text.h"
#include "records/utc_text.h"

namespace pelmora {

namespace {

struct Figure {
    std::string object;
    std::string name;
    std::string value_template;
    std::string unit;
    const char* device_class;                 // "" for none
    const char* state_class = "measurement";  // "" for none
    int precision = 0;                        // the decimals Home Assistant shows
    bool daily = false;                       // a total that starts again at local midnight
};

const char* const kCounterTitles[kCounters] = {"Energy produced", "Energy imported", "Energy exported",
                                               "Energy consumed", "Energy charged",  "Energy discharged"};

// A counter's value, or the sensor's own state while a read gives none (a
// rise held back): the Energy dashboard then sees no step at all.
std::string counter_template(std::string_view name) {
    const std::string key = "value_json.energy." + std::string(name);
    return "{{ " + key + " if value_json.energy is defined and " + key + " is defined else states(entity_id) }}";
}

// A figure a read may lack, or the sensor's own state while it does.
std::string kept_template(const std::string& key) {
    const std::string path = "value_json." + key;
    return "{{ " + path + " if " + path + " is defined else states(entity_id) }}";
}

// A figure of the battery object, or the sensor's own state while a read has none.
// The field `key` of the state's object `object`, or the sensor's last state where the state lacks it.
std::string nested_template(const std::string& object, const std::string& key) {
    return "{{ value_json." + object + "." + key + " if value_json." + object + " is defined and value_json." + object +
           "." + key + " is defined else states(entity_id) }}";
}

std::string battery_template(const std::string& key) { return nested_template("battery", key); }

// The sensors a tariff brings, priced in `currency`.
std::vector<Figure> money_figures(const std::string& currency) {
    const auto top = [](const char* key) {
        return std::string("{{ value_json.") + key + " if value_json." + key + " is defined else states(entity_id) }}";
    };
    return {
        {"price_buy", "Price to buy", top("price_buy"), currency + "/kWh", "monetary", "", 5},
        {"price_sell", "Price to sell", top("price_sell"), currency + "/kWh", "monetary", "", 5},
        {"net_cost_today", "Net cost today", nested_template("today", "net"), currency, "monetary", "total", 2, true},
        {"savings_today", "Savings today", nested_template("today", "savings"), currency, "monetary", "total", 2, true},
        {"self_sufficiency_today", "Self-sufficiency today", nested_template("today", "self_sufficiency"), "%", "",
         "measurement", 1}};
}

// The sensors of phase `i` (0 to 2).
std::vector<Figure> phase_figures(int i) {
    const auto value = [](const std::string& path) { return "{{ value_json." + path + " }}"; };
    const std::string n = std::to_string(i + 1);
    const std::string at = "phases[" + std::to_string(i) + "].";
    return {{"phase" + n + "_solar", "Phase " + n + " solar", value(at + "solar_w"), "W", "power"},
            {"phase" + n + "_grid", "Phase " + n + " grid", value(at + "grid_w"), "W", "power"},
            {"phase" + n + "_amps", "Phase " + n + " current", value(at + "amps"), "A", "current", "measurement", 1},
            {"phase" + n + "_volts", "Phase " + n + " voltage", value(at + "volts"), "V", "voltage", "measurement", 1}};
}

std::vector<Figure> figures(bool battery, const CounterSet& counters, int phases) {
    const auto value = [](const std::string& path) { return "{{ value_json." + path + " }}"; };
    std::vector<Figure> list = {{"production", "Production", value("production_w"), "W", "power"},
                                {"consumption", "Consumption", value("consumption_w"), "W", "power"},
                                {"grid", "Grid", value("grid_w"), "W", "power"}};
    for (int i = 0; i < phases; ++i) {
        for (Figure& f : phase_figures(i)) list.push_back(std::move(f));
    }
    if (battery) {
        list.push_back({"battery", "Battery", kept_template("battery_w"), "W", "power"});
        list.push_back({"load", "House load", kept_template("load_w"), "W", "power"});
    }
    for (std::size_t c = 0; c < kCounters; ++c) {
        if (!counters[c]) continue;
        const std::string name(kCounterNames[c]);
        list.push_back(
            {"energy_" + name, kCounterTitles[c], counter_template(name), "kWh", "energy", "total_increasing", 1});
    }
    return list;
}

// The phases a read sends: as many as its meters show, three without a site.
int read_phases(const FinishedRead& read) {
    const SiteReading* site = read.site ? &*read.site : nullptr;
    if (site == nullptr || !site->has_more()) return 3;
    return std::max(ShownPhases(site, MeterType::Production), ShownPhases(site, SecondMeterType(*site)));
}

}  // namespace

DeviceTopics TopicsFor(const std::string& prefix, const std::string& device) {
    const std::string base = prefix + "/" + device + "/";
    return {base + "state", base + "error", base + "availability", base + "inverters", base + "gateway"};
}

std::string StatePayload(const FinishedRead& read, std::optional<int> sent_phases,
                         const std::optional<MoneyFields>& money) {
    std::string out = "{\"time\":";
    out += read.epoch ? JsonString(IsoUtc(*read.epoch)) : "null";
    out += ",\"epoch\":";
    out += read.epoch ? std::to_string(*read.epoch) : "null";
    out += ",\"production_w\":" + JsonNumber(read.production_w);
    out += ",\"consumption_w\":" + JsonNumber(read.consumption_w);
    out += ",\"grid_w\":" + JsonNumber(read.grid_w);
    out += ",\"phases\":[";
    // A phase its meter does not have is null, as the window leaves it blank.
    const SiteReading* site = read.site ? &*read.site : nullptr;
    const int solar_phases = ShownPhases(site, MeterType::Production);
    const int grid_phases = site != nullptr ? ShownPhases(site, SecondMeterType(*site)) : 3;
    const int phases = std::clamp(sent_phases.value_or(read_phases(read)), 0, 3);
    for (int i = 0; i < phases; ++i) {
        const PhaseFigures& p = read.phases[static_cast<std::size_t>(i)];
        const auto figure = [](double value, bool shown) { return shown ? JsonNumber(value) : std::string("null"); };
        if (i > 0) out += ',';
        out += "{\"solar_w\":" + figure(p.solar_w, i < solar_phases) +
               ",\"grid_w\":" + figure(p.grid_w, i < grid_phases) + ",\"amps\":" + figure(p.amps, i < grid_phases) +
               ",\"volts\":" + figure(p.volts, i < grid_phases) + "}";
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
    if (read.equipment) out += EquipmentFields(*read.equipment);
    if (money) out += MoneyStateFields(*money);
    out += "}";
    return out;
}

std::string MoneyStateFields(const MoneyFields& money) {
    const auto fixed = [](double value, int decimals) {
        const double scale = decimals == 2 ? 100.0 : 10.0;
        const double rounded = std::round(value * scale) / scale;
        char text[48];
        const auto result =
            std::to_chars(text, text + sizeof text, rounded == 0.0 ? 0.0 : rounded, std::chars_format::fixed, decimals);
        return std::string(text, result.ptr);
    };
    const auto price = [](double value) { return JsonNumber(std::round(value * 1e5) / 1e5); };
    return ",\"price_buy\":" + price(money.price_buy) + ",\"price_sell\":" + price(money.price_sell) +
           ",\"today\":{\"bought\":" + fixed(money.bought, 2) + ",\"sold\":" + fixed(money.sold, 2) +
           ",\"net\":" + fixed(money.net, 2) + ",\"savings\":" + fixed(money.savings, 2) +
           ",\"self_sufficiency\":" + fixed(money.self_sufficiency, 1) +
           ",\"self_consumption\":" + fixed(money.self_consumption, 1) +
           ",\"last_reset\":" + JsonString(money.last_reset) + "}";
}

std::string EquipmentFields(const SiteEquipment& equipment) {
    std::string out;
    if (const std::optional<BatteryState> battery = BatteryOf(equipment); battery && battery->charge) {
        out += ",\"battery\":{\"soc\":" + std::to_string(*battery->charge);
        if (battery->available_wh) out += ",\"available_kwh\":" + FormatTenths(*battery->available_wh / 1000.0);
        if (battery->capacity_wh > 0) out += ",\"capacity_kwh\":" + FormatTenths(battery->capacity_wh / 1000.0);
        if (battery->reserve) out += ",\"reserve\":" + JsonNumber(*battery->reserve);
        if (!battery->mode.empty()) out += ",\"mode\":" + JsonString(battery->mode);
        out += "}";
    }
    if (const std::optional<bool> grid = GridConnected(equipment))
        out += *grid ? ",\"grid_connected\":true" : ",\"grid_connected\":false";
    return out;
}

std::string InvertersPayload(const std::vector<Inverter>& inverters) {
    std::string out = "[";
    for (std::size_t i = 0; i < inverters.size(); ++i) {
        const Inverter& inverter = inverters[i];
        out += (i == 0 ? "{\"serial\":" : ",{\"serial\":") + JsonString(inverter.serial) +
               ",\"watts\":" + JsonNumber(inverter.watts) + ",\"max_watts\":" + JsonNumber(inverter.max_watts) +
               ",\"reported\":" + JsonString(IsoUtc(inverter.reported)) + "}";
    }
    return out + "]";
}

std::string GatewayPayload(const GatewayInfo& gateway) {
    return "{\"serial\":" + JsonString(gateway.serial) + ",\"part\":" + JsonString(gateway.part) +
           ",\"firmware\":" + JsonString(gateway.firmware) + "}";
}

std::string ErrorPayload(const std::string& text) { return "{\"error\":" + JsonString(text) + "}"; }

int PublishedPhases(const FinishedRead& read) { return read_phases(read); }

namespace {

// The device every sensor belongs to.
std::string device_block_of(const std::string& node, const std::string& address, const EquipmentSensors& equipment) {
    std::string block = "{\"identifiers\":[" + JsonString(node) +
                        "],\"name\":" + JsonString("Solar gateway " + address) +
                        ",\"model\":\"Solar gateway meters read by Pelmora\",\"manufacturer\":\"Pelmora\"";
    if (!equipment.firmware.empty()) block += ",\"sw_version\":" + JsonString(equipment.firmware);
    if (!equipment.serial.empty()) block += ",\"serial_number\":" + JsonString(equipment.serial);
    return block + "}";
}

}  // namespace

EquipmentSensors EquipmentSensorsOf(const SiteEquipment& equipment) {
    EquipmentSensors sensors;
    const std::optional<BatteryState> battery = BatteryOf(equipment);
    sensors.charge = battery && battery->charge;
    sensors.grid = GridConnected(equipment).has_value();
    if (equipment.gateway) {
        sensors.firmware = equipment.gateway->firmware;
        sensors.serial = equipment.gateway->serial;
    }
    if (equipment.inverters) {
        // A serial goes into topics and a template: anything but letters and digits keeps it out.
        const auto plain = [](const std::string& serial) {
            return !serial.empty() && serial.size() <= 64 && std::all_of(serial.begin(), serial.end(), [](char c) {
                return std::isalnum(static_cast<unsigned char>(c)) != 0;
            });
        };
        for (const Inverter& inverter : *equipment.inverters) {
            if (plain(inverter.serial)) sensors.inverters.push_back(inverter.serial);
        }
        std::sort(sensors.inverters.begin(), sensors.inverters.end());
        sensors.inverters.erase(std::unique(sensors.inverters.begin(), sensors.inverters.end()),
                                sensors.inverters.end());
    }
    return sensors;
}

std::vector<BusMessage> PanelDiscoveryMessages(const MqttSettings& settings, const std::string& device,
                                               const std::string& address, const EquipmentSensors& equipment,
                                               bool remove) {
    const DeviceTopics topics = TopicsFor(settings.prefix, device);
    const std::string node = "pelmora_" + device;
    const std::string device_block = device_block_of(node, address, equipment);
    std::vector<BusMessage> messages;
    for (const std::string& serial : equipment.inverters) {
        BusMessage m;
        m.topic = settings.discovery_prefix;
        m.topic.append("/sensor/").append(node).append("/panel_").append(serial).append("/config");
        m.retain = true;
        if (!remove) {
            // The list is retained whole; a panel missing from it keeps its last state.
            std::string value = "{% set p = value_json | selectattr('serial', 'eq', '";
            value.append(serial).append("') | list %}{{ p[0].watts if p else states(entity_id) }}");
            std::string& p = m.payload;
            const std::string object = node + "_panel_";
            p = "{\"unique_id\":" + JsonString(object + serial);
            p += ",\"name\":" + JsonString("Panel " + serial);
            p += ",\"state_topic\":" + JsonString(topics.inverters);
            p += ",\"value_template\":" + JsonString(value);
            p += R"(,"unit_of_measurement":"W","device_class":"power","state_class":"measurement")";
            p += ",\"suggested_display_precision\":0,\"availability_topic\":" + JsonString(topics.availability);
            p += ",\"device\":" + device_block + "}";
        }
        messages.push_back(std::move(m));
    }
    return messages;
}

std::vector<BusMessage> DiscoveryMessages(const MqttSettings& settings, const std::string& device,
                                          const std::string& address, bool remove, bool battery,
                                          const CounterSet& counters, int phases, const EquipmentSensors& equipment) {
    const DeviceTopics topics = TopicsFor(settings.prefix, device);
    const std::string node = "pelmora_" + device;
    const std::string device_block = device_block_of(node, address, equipment);
    std::vector<BusMessage> messages;
    std::vector<Figure> list = figures(battery, counters, remove ? 3 : phases);
    if (equipment.charge) {
        list.push_back({"battery_charge", "Battery charge", battery_template("soc"), "%", "battery", "measurement", 0});
        list.push_back({"battery_available", "Battery available energy", battery_template("available_kwh"), "kWh",
                        "energy_storage", "measurement", 1});
    }
    if (equipment.currency) {
        for (Figure& f : money_figures(*equipment.currency)) list.push_back(std::move(f));
    }
    const std::size_t shown = list.size();
    // The phases the site lacks are taken away, should they have been sent before.
    for (int i = remove ? 3 : phases; i < 3; ++i) {
        for (Figure& f : phase_figures(i)) list.push_back(std::move(f));
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Figure& f = list[i];
        BusMessage m;
        m.topic = settings.discovery_prefix + "/sensor/" + node + "/" + f.object + "/config";
        m.retain = true;
        if (!remove && i < shown) {
            std::string& p = m.payload;
            p = "{\"unique_id\":" + JsonString(node + "_" + f.object);
            p += ",\"name\":" + JsonString(f.name);
            p += ",\"state_topic\":" + JsonString(topics.state);
            p += ",\"value_template\":" + JsonString(f.value_template);
            p += ",\"unit_of_measurement\":" + JsonString(f.unit);
            if (*f.device_class != '\0') p += std::string(",\"device_class\":\"") + f.device_class + "\"";
            if (*f.state_class != '\0') p += std::string(",\"state_class\":\"") + f.state_class + "\"";
            if (f.daily) p += ",\"last_reset_value_template\":\"{{ value_json.today.last_reset }}\"";
            p += ",\"suggested_display_precision\":" + std::to_string(f.precision);
            p += ",\"availability_topic\":" + JsonString(topics.availability);
            p += ",\"device\":" + device_block + "}";
        }
        messages.push_back(std::move(m));
    }
    if (equipment.grid) {
        BusMessage m;
        m.topic = settings.discovery_prefix + "/binary_sensor/" + node + "/grid_connected/config";
        m.retain = true;
        if (!remove) {
            m.payload = "{\"unique_id\":" + JsonString(node + "_grid_connected") + ",\"name\":\"Grid connected\"" +
                        ",\"state_topic\":" + JsonString(topics.state) + ",\"value_template\":" +
                        JsonString(
                            "{{ ('ON' if value_json.grid_connected else 'OFF') if value_json.grid_connected "
                            "is defined else states(entity_id) | upper }}") +
                        ",\"device_class\":\"power\",\"availability_topic\":" + JsonString(topics.availability) +
                        ",\"device\":" + device_block + "}";
        }
        messages.push_back(std::move(m));
    }
    if (settings.inverters || remove) {
        for (BusMessage& m : PanelDiscoveryMessages(settings, device, address, equipment, remove))
            messages.push_back(std::move(m));
    }
    return messages;
}

}  // namespace pelmora
