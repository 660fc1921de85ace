#include "publish/mqtt_settings.h"

#include <charconv>

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

std::string prefix_problem(const std::string& prefix, const char* what) {
    if (prefix.empty()) return std::string("The ") + what + " must not be empty.";
    if (prefix.find_first_of("#+") != std::string::npos)
        return std::string("The ") + what + " must not contain \"#\" or \"+\".";
    if (has_blank_or_control(prefix)) return std::string("The ") + what + " must not contain blanks.";
    if (prefix.front() == '/' || prefix.back() == '/')
        return std::string("The ") + what + " must not start or end with \"/\".";
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
    if (const int port = PortFromText(get("Port", ""))) s.port = port;
    s.tls = boolean(get("Tls", ""), s.tls);
    s.verify_peer = boolean(get("VerifyPeer", ""), s.verify_peer);
    s.user = get("User", s.user);
    s.prefix = get("Prefix", s.prefix);
    s.discovery = boolean(get("Discovery", ""), s.discovery);
    s.discovery_prefix = get("DiscoveryPrefix", s.discovery_prefix);
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
}

std::string MqttSettingsProblem(const MqttSettings& s) {
    if (has_blank_or_control(s.host)) return "The broker host must not contain blanks.";
    if (s.enabled && s.host.empty()) return "Enter the broker's host name or address.";
    if (s.port < 1 || s.port > 65535) return "The port must be a whole number from 1 to 65535.";
    if (std::string problem = prefix_problem(s.prefix, "topic prefix"); !problem.empty()) return problem;
    return prefix_problem(s.discovery_prefix, "discovery prefix");
}

}  // namespace pelmora
