#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/message_bus.h"
#include "platform/wall_clock.h"
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
// state after them. Only the phases the site's meters have get sensors.
// The gateway's documents beside the readings add their sensors the same
// way (the batteries' charge, the grid switch, the firmware on the device);
// the inverter list and the gateway's facts go out retained under
// <prefix>/<device>/inverters and /gateway each time they change.
// The device id is fixed at the first read that succeeded (given to the
// keeper to store), so that a later address keeps the device and its
// entities; only the device's name follows the address. With an interval
// above a second, state and error messages go out at most once an interval
// by `clock`. With publishing off, nothing is sent and no connection is
// made.
class Publisher : public FinishedReadSink {
public:
    explicit Publisher(MessageBus& bus, const WallClock* clock = nullptr) : m_bus(bus), m_clock(clock) {}

    // Stores the device id once it is fixed.
    void set_device_keeper(std::function<void(const std::string&)> keeper) { m_keep_device = std::move(keeper); }
    // Where the prices now and today's money come from; while it gives
    // nothing, the state carries neither. Its first currency brings the
    // money's sensors, a new one their new unit.
    void set_money(std::function<std::optional<MoneyFields>()> money) { m_money = std::move(money); }

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
    // Whether a message that the interval paces may go out now.
    bool due(std::optional<std::int64_t>& last);
    // Whether the read's documents call for sensors not yet discovered.
    bool more_equipment(const FinishedRead& read);
    // The inverter list and gateway facts, retained, where they changed since last sent.
    std::vector<BusMessage> changed_documents(const FinishedRead& read);

    MessageBus& m_bus;
    const WallClock* m_clock;
    std::function<void(const std::string&)> m_keep_device;
    std::function<std::optional<MoneyFields>()> m_money;
    std::optional<std::int64_t> m_last_state;
    std::optional<std::int64_t> m_last_error;
    int m_phases = 3;  // the phases the device's site has
    MqttSettings m_settings;
    std::string m_password;
    std::string m_address;
    std::string m_device;
    bool m_running = false;
    bool m_battery = false;        // the device's site has a battery: its sensors are discovered too
    CounterSet m_counters{};       // the counters the device's reads have had
    EquipmentSensors m_equipment;  // what the device's documents have called for
    std::string m_inverters_sent;  // the last retained inverter list and gateway facts
    std::string m_gateway_sent;
};

}  // namespace pelmora
