#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_bus.h"
#include "publish/mqtt_settings.h"
#include "readings/finished_read.h"

namespace pelmora {

// The topics of one gateway under `prefix`: <prefix>/<device>/state, /error
// and /availability.
struct DeviceTopics {
    std::string state;
    std::string error;
    std::string availability;
    std::string inverters;
    std::string gateway;
};
DeviceTopics TopicsFor(const std::string& prefix, const std::string& device);

// Which of the site's lifetime counters have sensors, in the order of Counter.
using CounterSet = std::array<bool, kCounters>;

// The state message of a read: time (ISO 8601, UTC), epoch, production_w,
// consumption_w, grid_w (positive import), phases (see PublishedPhases) with
// solar_w, grid_w, amps and volts (null where the phase's meter lacks it),
// turnaround_ms. Without a timestamp, time and epoch are null.
// A read of a site with more than production and consumption meters adds
// battery_w (positive discharging) and load_w (the house without the
// battery) where it has a battery, and meters: each meter's power by type.
// A read with lifetime counters adds energy: each counter it has in kWh
// (produced, imported, exported, consumed, charged, discharged).
// `phases`, where given, is how many phases to send instead of the read's own.
// What the tariff in force adds to the state message: the prices now, per
// kWh, and today's money so far with its two ratios.
struct MoneyFields {
    double price_buy = 0;
    double price_sell = 0;
    double bought = 0;
    double sold = 0;
    double net = 0;
    double savings = 0;
    double self_sufficiency = 0;  // %
    double self_consumption = 0;  // %
    std::string last_reset;       // today's local midnight, "2026-12-10T00:00:00+01:00"
    std::string currency;         // the tariff's code or symbol, possibly empty
};
// ,"price_buy":0.36445,"price_sell":0,"today":{"bought":1.23,"sold":0.45,
// "net":0.78,"savings":2.10,"self_sufficiency":63.2,"self_consumption":81.0,
// "last_reset":"..."}: money to the cent, ratios to a tenth.
std::string MoneyStateFields(const MoneyFields& money);
std::string StatePayload(const FinishedRead& read, std::optional<int> phases = std::nullopt,
                         const std::optional<MoneyFields>& money = std::nullopt);
// How many phases a read sends and has sensors for: as many as its meters
// have on a site with more than production and consumption meters, else 3.
int PublishedPhases(const FinishedRead& read);
// What the gateway's documents add to the state message, each where the
// site has it: ,"battery":{"soc":46,"available_kwh":11.6,"capacity_kwh":25.0,
// "reserve":20,"mode":"self-consumption"} and ,"grid_connected":true.
std::string EquipmentFields(const SiteEquipment& equipment);
// The retained <prefix>/<device>/inverters message: [{"serial":"...",
// "watts":184,"max_watts":335,"reported":"2024-08-06T17:54:11Z"}, ...].
std::string InvertersPayload(const std::vector<Inverter>& inverters);
// The retained <prefix>/<device>/gateway message: {"serial":...,"part":...,"firmware":...}.
std::string GatewayPayload(const GatewayInfo& gateway);
// {"error": "<text>"} for a failed request.
std::string ErrorPayload(const std::string& text);

// What the gateway's documents add to the discovery: the batteries' charge
// and available energy, the grid switch as a binary sensor, the gateway's
// firmware and serial on the device, and, where the settings ask for them,
// a power sensor for each panel's inverter.
struct EquipmentSensors {
    bool charge = false;
    bool grid = false;
    std::string firmware;
    std::string serial;
    std::vector<std::string> inverters;  // serials, sorted; only those of letters and digits
    // With a tariff: its currency's prices, today's net cost and savings, and self-sufficiency.
    std::optional<std::string> currency;

    bool operator==(const EquipmentSensors&) const = default;
};
// The sensors `equipment` calls for.
EquipmentSensors EquipmentSensorsOf(const SiteEquipment& equipment);

// The retained Home Assistant config of every figure (production,
// consumption, grid, and per phase solar, grid, amps and volts) under
// <discovery prefix>/sensor/pelmora_<device>/<object>/config; with `remove`,
// the same topics with empty payloads, which take the sensors away. With
// `battery`, the battery and the house load without it come after them; then
// one energy sensor (kWh, total_increasing, as the Energy dashboard takes
// them) for each counter in `counters`. Only the first `phases` phases have
// sensors; the configs of the others are sent empty, which takes them away.
// The sensors of `equipment` come last, where it has them; its inverters'
// only with the settings' Inverters on, or to remove them.
// One power sensor (W) for each of `equipment`'s inverters, on the device of
// DiscoveryMessages, reading its watts from the retained inverter list; with
// `remove`, their topics with empty payloads.
std::vector<BusMessage> PanelDiscoveryMessages(const MqttSettings& settings, const std::string& device,
                                               const std::string& address, const EquipmentSensors& equipment,
                                               bool remove = false);
std::vector<BusMessage> DiscoveryMessages(const MqttSettings& settings, const std::string& device,
                                          const std::string& address, bool remove = false, bool battery = false,
                                          const CounterSet& counters = {}, int phases = 3,
                                          const EquipmentSensors& equipment = {});

}  // namespace pelmora
