#pragma once

#include <string>

#include "platform/message_bus.h"
#include "publish/mqtt_messages.h"
#include "publish/mqtt_settings.h"
#include "readings/finished_read.h"

namespace pelmora {

// Publishes every finished read to the broker the settings name: the state
// message, or the error of a failed request; availability (online when
// connected, offline as the last will and on a normal close); and, with
// discovery on, the Home Assistant configs after each connect. Turning
// discovery off, or a new gateway address, sends empty configs for the old
// sensors. The device follows a new address only once a read there
// succeeded; a new device or prefix also clears the old retained
// availability. A site whose reads show a battery gets battery and house-load
// sensors as well, from the first such read on, and each lifetime counter an
// energy sensor from the first read that has it; such a read reconnects once
// to send the new configs, without an offline in between, and sends its
// state after them. With publishing off, nothing is sent and no
// connection is made.
class Publisher : public FinishedReadSink {
public:
    explicit Publisher(MessageBus& bus) : m_bus(bus) {}

    // Applies new settings for the gateway at `address`, reconnecting when
    // needed. Settings with a problem (see MqttSettingsProblem) publish nothing.
    void Configure(const MqttSettings& settings, const std::string& password, const std::string& address);
    void OnFinishedRead(const FinishedRead& read) override;
    // Sends offline and disconnects.
    void Close();

    const MqttSettings& settings() const { return m_settings; }
    bool running() const { return m_running; }

private:
    BusOptions options() const;

    MessageBus& m_bus;
    MqttSettings m_settings;
    std::string m_password;
    std::string m_address;
    std::string m_device;
    bool m_running = false;
    bool m_battery = false;   // the device's site has a battery: its sensors are discovered too
    CounterSet m_counters{};  // the counters the device's reads have had
};

}  // namespace pelmora
