#include "publish/publisher.h"

#include <algorithm>
#include <iterator>

#include "publish/device_id.h"
#include "publish/mqtt_messages.h"

namespace pelmora {

BusOptions Publisher::options() const {
    BusOptions o;
    o.host = m_settings.host;
    o.port = m_settings.port;
    o.tls = m_settings.tls;
    o.verify_peer = m_settings.verify_peer;
    o.user = m_settings.user;
    o.password = m_password;
    const DeviceTopics topics = TopicsFor(m_settings.prefix, m_device);
    o.will = {topics.availability, "offline", true};
    o.on_connect.push_back({topics.availability, "online", true});
    if (m_settings.discovery) {
        for (BusMessage& m :
             DiscoveryMessages(m_settings, m_device, m_address, false, m_battery, m_counters, m_phases, m_equipment))
            o.on_connect.push_back(std::move(m));
    }
    return o;
}

void Publisher::Configure(const MqttSettings& settings, const std::string& password, const std::string& address) {
    const MqttSettings old = m_settings;
    const std::string old_device = m_device;
    const std::string old_address = m_address;
    const bool old_battery = m_battery;
    const CounterSet old_counters = m_counters;
    const EquipmentSensors old_equipment = m_equipment;
    m_settings = settings;
    m_password = password;
    m_address = address;
    m_device = DeviceId(settings.device_id.empty() ? address : settings.device_id);
    if (m_device != old_device) {
        m_battery = false;
        m_counters = {};
        m_phases = 3;
        m_equipment = {};
        m_inverters_sent.clear();
        m_gateway_sent.clear();
    }
    if (!settings.inverters) m_equipment.inverters.clear();
    if (m_running) {
        std::vector<BusMessage> last;
        const bool same_sensors = settings.discovery && old_device == m_device && old.prefix == settings.prefix &&
                                  old.discovery_prefix == settings.discovery_prefix;
        // Every config sent for the old device goes, its energy sensors included.
        if (old.discovery && !same_sensors)
            last = DiscoveryMessages(old, old_device, old_address, true, old_battery, old_counters, 3, old_equipment);
        // The panels' sensors go when they are no longer asked for.
        if (old.discovery && same_sensors && old.inverters && !settings.inverters)
            last = PanelDiscoveryMessages(old, old_device, old_address, old_equipment, true);
        // The old device's availability is taken away with it, not left retained.
        const bool same_device = old_device == m_device && old.prefix == settings.prefix;
        last.push_back({TopicsFor(old.prefix, old_device).availability, same_device ? "offline" : "", true});
        m_bus.Stop(last);
        m_running = false;
    }
    if (settings.enabled && MqttSettingsProblem(settings).empty()) {
        m_bus.Start(options());
        m_running = true;
    }
}

bool Publisher::due(std::optional<std::int64_t>& last) {
    if (m_clock == nullptr || m_settings.interval <= 1) return true;
    const std::int64_t now = m_clock->EpochSeconds();
    if (last && now >= *last && now - *last < m_settings.interval) return false;
    last = now;
    return true;
}

void Publisher::OnFinishedRead(const FinishedRead& read) {
    if (!m_running) return;
    // An address being typed is no gateway until a read there succeeds.
    if (read.request_failed && read.address != m_address) return;
    if (m_settings.device_id.empty() && !read.request_failed) {
        if (DeviceId(read.address) != m_device) Configure(m_settings, m_password, read.address);
        m_settings.device_id = m_device;
        if (m_keep_device) m_keep_device(m_device);
    }
    std::optional<MoneyFields> money;
    if (!read.request_failed) {
        // A new address names the same device anew; a battery or a counter
        // seen for the first time joins the discovery, and so does a change
        // of the site's phases.
        bool more = read.address != m_address;
        m_address = read.address;
        if (read.site && read.site->battery_w && !m_battery) {
            m_battery = true;
            more = true;
        }
        // A read whose battery is missing for a moment keeps the phases the site was seen to have.
        if (const int phases = PublishedPhases(read); read.site && read.site->has_more() && phases != m_phases) {
            m_phases = phases;
            more = true;
        }
        for (std::size_t c = 0; c < kCounters; ++c) {
            more = more || (read.counters[c] && !m_counters[c]);
            m_counters[c] = m_counters[c] || read.counters[c].has_value();
        }
        more = more_equipment(read) || more;
        money = m_money ? m_money() : std::nullopt;
        if (money && m_equipment.currency != money->currency) {
            m_equipment.currency = money->currency;
            more = true;
        }
        std::vector<BusMessage> documents = changed_documents(read);
        if (more && m_settings.discovery) {
            // Same device, same sensors and more: no offline in between, and
            // the read that brought them goes out once their configs are in.
            m_bus.Stop({});
            BusOptions o = options();
            for (BusMessage& m : documents) o.on_connect.push_back(std::move(m));
            o.on_connect.push_back(
                {TopicsFor(m_settings.prefix, m_device).state, StatePayload(read, m_phases, money), false});
            m_bus.Start(o);
            return;
        }
        for (const BusMessage& m : documents) m_bus.Publish(m);
    }
    const DeviceTopics topics = TopicsFor(m_settings.prefix, m_device);
    if (read.request_failed) {
        if (due(m_last_error)) m_bus.Publish({topics.error, ErrorPayload(read.failure_text), false});
    } else if (due(m_last_state)) {
        m_bus.Publish({topics.state, StatePayload(read, m_phases, money), false});
    }
}

bool Publisher::more_equipment(const FinishedRead& read) {
    if (!read.equipment) return false;
    const EquipmentSensors seen = EquipmentSensorsOf(*read.equipment);
    // Sensors once discovered stay; a firmware or serial told anew goes on the device.
    EquipmentSensors next = m_equipment;
    next.charge = next.charge || seen.charge;
    next.grid = next.grid || seen.grid;
    if (!seen.firmware.empty()) next.firmware = seen.firmware;
    if (!seen.serial.empty()) next.serial = seen.serial;
    if (m_settings.inverters) {
        std::vector<std::string> both;
        std::set_union(next.inverters.begin(), next.inverters.end(), seen.inverters.begin(), seen.inverters.end(),
                       std::back_inserter(both));
        next.inverters = std::move(both);
    }
    if (next == m_equipment) return false;
    m_equipment = next;
    return true;
}

std::vector<BusMessage> Publisher::changed_documents(const FinishedRead& read) {
    std::vector<BusMessage> messages;
    if (!read.equipment) return messages;
    const DeviceTopics topics = TopicsFor(m_settings.prefix, m_device);
    const auto changed = [&](const std::string& topic, std::string payload, std::string& sent) {
        if (payload == sent) return;
        sent = payload;
        messages.push_back({topic, std::move(payload), true});
    };
    if (read.equipment->inverters)
        changed(topics.inverters, InvertersPayload(*read.equipment->inverters), m_inverters_sent);
    if (read.equipment->gateway) changed(topics.gateway, GatewayPayload(*read.equipment->gateway), m_gateway_sent);
    return messages;
}

void Publisher::Close() {
    if (!m_running) return;
    m_bus.Stop({{TopicsFor(m_settings.prefix, m_device).availability, "offline", true}});
    m_running = false;
}

}  // namespace pelmora
