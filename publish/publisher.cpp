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
        for (BusMessage& m : DiscoveryMessages(m_settings, m_device, m_address, false, m_battery, m_counters, m_phases))
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
    m_settings = settings;
    m_password = password;
    m_address = address;
    m_device = DeviceId(settings.device_id.empty() ? address : settings.device_id);
    if (m_device != old_device) {
        m_battery = false;
        m_counters = {};
        m_phases = 3;
    }
    if (m_running) {
        std::vector<BusMessage> last;
        const bool same_sensors = settings.discovery && old_device == m_device && old.prefix == settings.prefix &&
                                  old.discovery_prefix == settings.discovery_prefix;
        // Every config sent for the old device goes, its energy sensors included.
        if (old.discovery && !same_sensors)
            last = DiscoveryMessages(old, old_device, old_address, true, old_battery, old_counters);
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
        if (more && m_settings.discovery) {
            // Same device, same sensors and more: no offline in between, and
            // the read that brought them goes out once their configs are in.
            m_bus.Stop({});
            BusOptions o = options();
            o.on_connect.push_back({TopicsFor(m_settings.prefix, m_device).state, StatePayload(read, m_phases), false});
            m_bus.Start(o);
            return;
        }
    }
    const DeviceTopics topics = TopicsFor(m_settings.prefix, m_device);
    if (read.request_failed) {
        if (due(m_last_error)) m_bus.Publish({topics.error, ErrorPayload(read.failure_text), false});
    } else if (due(m_last_state)) {
        m_bus.Publish({topics.state, StatePayload(read, m_phases), false});
    }
}

void Publisher::Close() {
    if (!m_running) return;
    m_bus.Stop({{TopicsFor(m_settings.prefix, m_device).availability, "offline", true}});
    m_running = false;
}

}  // namespace pelmora
