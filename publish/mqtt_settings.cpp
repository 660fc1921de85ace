#include "publish/mqtt_settings.h"

#include "publish/device_id.h"

#include <charconv>
#include <string_view>

namespace pelmora {

namespace {

bool boolean(const std::string& text, bool fallback) {
    if (text == "true" || text == "True" || text == "1") return true;
    if (text == "false" || text == "False" || text == "0") return false;
    return fallback;
}

const char* text_of(bool value) { return value ? "true" : "false"; }

bool has_blank_or_control(const std::string& text) {
    for (unsigned char c : text) {
        if (c <= 0x20 || c == 0x7F) return true;
    }
    return false;
}

// What MQTT takes in a topic: well-formed UTF-8 without control characters
// (C1 included) or non-characters.
bool topic_text(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return false;
        if ((code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE) return false;
        i += length;
    }
    return true;
}

std::string prefix_problem(const std::string& prefix, const char* what) {
    if (prefix.empty()) return std::string("The ") + what + " must not be empty.";
    if (prefix.find_first_of("#+") != std::string::npos)
        return std::string("The ") + what + " must not contain \"#\" or \"+\".";
    if (!topic_text(prefix))
        return std::string("The ") + what + " must be text without control characters or non-characters.";
    if (has_blank_or_control(prefix)) return std::string("The ") + what + " must not contain blanks.";
    if (prefix.front() == '/' || prefix.back() == '/')
        return std::string("The ") + what + " must not start or end with \"/\".";
    if (prefix.size() > kLongestPrefix)
        return std::string("The ") + what + " is too long: it may have " + std::to_string(kLongestPrefix) +
               " bytes, so that the topics under it stay within MQTT's 65,535.";
    return {};
}

}  // namespace

int PortFromText(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) return 0;
    return port;
}

MqttSettings LoadMqttSettings(SettingsStore& store, const std::string& app) {
    MqttSettings s;
    auto get = [&](const char* key, const std::string& fallback) {
        return store.GetSetting(app, kMqttSection, key, fallback);
    };
    s.enabled = boolean(get("Enabled", ""), s.enabled);
    s.host = get("Host", s.host);
    // A port that is there but not one is kept as 0, which the settings'
    // problem then names, rather than taken for the default.
    if (const std::string port = get("Port", ""); !port.empty()) s.port = PortFromText(port);
    s.tls = boolean(get("Tls", ""), s.tls);
    s.verify_peer = boolean(get("VerifyPeer", ""), s.verify_peer);
    s.user = get("User", s.user);
    s.prefix = get("Prefix", s.prefix);
    s.discovery = boolean(get("Discovery", ""), s.discovery);
    s.discovery_prefix = get("DiscoveryPrefix", s.discovery_prefix);
    s.inverters = boolean(get("Inverters", ""), s.inverters);
    if (const std::string interval = get("Interval", ""); !interval.empty()) s.interval = IntervalFromText(interval);
    if (const std::string device = get(kDeviceIdKey, ""); !device.empty()) s.device_id = DeviceId(device);
    return s;
}

void SaveMqttSettings(SettingsStore& store, const std::string& app, const MqttSettings& s) {
    auto put = [&](const char* key, const std::string& value) { store.SaveSetting(app, kMqttSection, key, value); };
    put("Enabled", text_of(s.enabled));
    put("Host", s.host);
    put("Port", std::to_string(s.port));
    put("Tls", text_of(s.tls));
    put("VerifyPeer", text_of(s.verify_peer));
    put("User", s.user);
    put("Prefix", s.prefix);
    put("Discovery", text_of(s.discovery));
    put("DiscoveryPrefix", s.discovery_prefix);
    if (s.inverters || !store.GetSetting(app, kMqttSection, "Inverters", "").empty())
        put("Inverters", text_of(s.inverters));
    put("Interval", std::to_string(s.interval));
    if (!s.device_id.empty()) put(kDeviceIdKey, s.device_id);
}

int IntervalFromText(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
    const int seconds = std::stoi(text);
    return seconds >= 1 && seconds <= 86400 ? seconds : 0;
}

std::string MqttSettingsProblem(const MqttSettings& s) {
    if (has_blank_or_control(s.host)) return "The broker host must not contain blanks.";
    if (s.enabled && s.host.empty()) return "Enter the broker's host name or address.";
    if (s.port < 1 || s.port > 65535) return "The port must be a whole number from 1 to 65535.";
    if (s.interval < 1 || s.interval > 86400) return "The interval must be a whole number of seconds from 1 to 86400.";
    if (s.device_id.size() > kLongestDeviceId)
        return "The device id is too long: it may have " + std::to_string(kLongestDeviceId) + " bytes.";
    if (std::string problem = prefix_problem(s.prefix, "topic prefix"); !problem.empty()) return problem;
    return prefix_problem(s.discovery_prefix, "discovery prefix");
}

}  // namespace pelmora
