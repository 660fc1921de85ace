#pragma once

#include <cstddef>
#include <string>

#include "platform/settings_store.h"

namespace pelmora {

inline constexpr const char* kMqttSection = "Mqtt";
inline constexpr const char* kMqttPasswordKey = "mqtt-password";
// A prefix leaves room for what follows it in a topic (the device, the
// sensor), within MQTT's 65,535 bytes.
inline constexpr std::size_t kLongestPrefix = 65535 - 1024;
// A device id's bytes; with the prefixes' bound the topics stay within MQTT's.
inline constexpr std::size_t kLongestDeviceId = 256;

// Where and how readings are published; kept in the settings file's own
// [Mqtt] group. The password is not here: it goes to the secret store.
struct MqttSettings {
    bool enabled = false;
    std::string host;
    int port = 1883;
    bool tls = false;
    bool verify_peer = true;
    std::string user;
    std::string prefix = "pelmora";
    bool discovery = true;
    std::string discovery_prefix = "homeassistant";
    // With discovery, one power sensor for each panel's inverter as well.
    bool inverters = false;
    // Seconds at least between two state messages (and two error messages).
    int interval = 1;
    // The device the sensors belong to, fixed once a read succeeded, so that
    // a new address keeps the same device and entities; empty until then.
    std::string device_id;

    friend bool operator==(const MqttSettings&, const MqttSettings&) = default;
};

// Reads [Mqtt] (keys Enabled, Host, Port, Tls, VerifyPeer, User, Prefix,
// Discovery, DiscoveryPrefix, Inverters, Interval, DeviceId); a missing or unreadable
// key keeps its default, but a Port that is not one reads as 0, which
// MqttSettingsProblem refuses, and so does an Interval that is not one.
// A DeviceId is made topic-safe as DeviceId makes an address.
MqttSettings LoadMqttSettings(SettingsStore& store, const std::string& app);
// Inverters is written only where it is on or was stored before.
void SaveMqttSettings(SettingsStore& store, const std::string& app, const MqttSettings& settings);

// Why the settings cannot be used, in words for the user, or empty. Only
// enabled settings need a host. A prefix must make topics MQTT takes:
// well-formed UTF-8, no control characters (C1 included), no
// non-characters, no blanks, "#" or "+", and at most kLongestPrefix bytes.
std::string MqttSettingsProblem(const MqttSettings& settings);

// The port typed as text: a whole number from 1 to 65535, or 0.
int PortFromText(const std::string& text);
// The interval typed as text: a whole number of seconds from 1 to 86400, or 0.
int IntervalFromText(const std::string& text);
inline constexpr const char* kDeviceIdKey = "DeviceId";

}  // namespace pelmora
