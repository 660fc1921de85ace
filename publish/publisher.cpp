#include "publish/publisher.h"

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
        for (BusMessage& m : DiscoveryMessages(m_settings, m_device, m_address, false, m_battery, m_counters))
            o.on_connect.push_back(std::move(m));
    }
    return o;
}

void Publisher::Configure(const MqttSettings& settings, const std::string& password, const std::string& address) {
    const MqttSettings old = m_settings;
    const std::string old_device = m_device;
    const std::string old_address = m_address;
    m_settings = settings;
    m_password = password;
    m_address = address;
    m_device = DeviceId(address);
    if (m_device != old_device) {
        m_battery = false;
        m_counters = {};
    }
    if (m_running) {
        std::vector<BusMessage> last;
        const bool same_sensors = settings.discovery && old_device == m_device && old.prefix == settings.prefix &&
                                  old.discovery_prefix == settings.discovery_prefix;
        if (old.discovery && !same_sensors)
            last = DiscoveryMessages(old, old_device, old_address, true, m_battery, m_counters);
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

void Publisher::OnFinishedRead(const FinishedRead& read) {
    if (!m_running) return;
    if (DeviceId(read.address) != m_device) {
        // An address being typed is no gateway until a read there succeeds.
        if (read.request_failed) return;
        Configure(m_settings, m_password, read.address);
    }
    if (!read.request_failed) {
        // A battery or a counter seen for the first time: its sensors join the discovery.
        bool more = read.site && read.site->battery_w && !m_battery;
        m_battery = m_battery || more;
        for (std::size_t c = 0; c < kCounters; ++c) {
            more = more || (read.counters[c] && !m_counters[c]);
            m_counters[c] = m_counters[c] || read.counters[c].has_value();
        }
        if (more && m_settings.discovery) {
            // Same device, same sensors and more: no offline in between, and
            // the read that brought them goes out once their configs are in.
            m_bus.Stop({});
            BusOptions o = options();
            o.on_connect.push_back({TopicsFor(m_settings.prefix, m_device).state, StatePayload(read), false});
            m_bus.Start(o);
            return;
        }
    }
    const DeviceTopics topics = TopicsFor(m_settings.prefix, m_device);
    if (read.request_failed) {
        m_bus.Publish({topics.error, ErrorPayload(read.failure_text), false});
    } else {
        m_bus.Publish({topics.state, StatePayload(read), false});
    }
}

void Publisher::Close() {
    if (!m_running) return;
    m_bus.Stop({{TopicsFor(m_settings.prefix, m_device).availability, "offline", true}});
    m_running = false;
}

}  // namespace pelmora
