#include "desktop/desktop_settings.h"

#include <charconv>
#include <cmath>

#include "records/stored_value.h"

namespace pelmora {

namespace {

bool on(SettingsStore& settings, const std::string& app, const char* section, std::string_view key) {
    return StoredBoolean(settings.GetSetting(app, section, std::string(key), "")).value_or(false);
}

}  // namespace

DesktopSettings LoadDesktopSettings(SettingsStore& settings, const std::string& app) {
    DesktopSettings d;
    d.tray = on(settings, app, kDesktopSection, "Tray");
    d.close_to_tray = on(settings, app, kDesktopSection, "CloseToTray");
    for (std::size_t i = 0; i < kAlertKinds; ++i) d.alerts[i] = on(settings, app, kAlertsSection, kAlertKeys[i]);
    if (const auto threshold = ExportThresholdFromText(settings.GetSetting(app, kAlertsSection, "ExportThreshold", "")))
        d.export_threshold_w = *threshold;
    if (const auto low = BatteryLowFromText(settings.GetSetting(app, kAlertsSection, "BatteryLowCharge", "")))
        d.battery_low_percent = *low;
    return d;
}

std::optional<double> ExportThresholdFromText(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0.0 || value > 10e6)
        return std::nullopt;
    return value;
}

std::optional<int> BatteryLowFromText(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 || value > 100)
        return std::nullopt;
    return value;
}

void SaveDesktopSettings(SettingsStore& settings, const std::string& app, const DesktopSettings& d) {
    const auto text = [](bool b) { return std::string(b ? "true" : "false"); };
    settings.SaveSetting(app, kDesktopSection, "Tray", text(d.tray));
    settings.SaveSetting(app, kDesktopSection, "CloseToTray", text(d.close_to_tray));
    for (std::size_t i = 0; i < kAlertKinds; ++i)
        settings.SaveSetting(app, kAlertsSection, std::string(kAlertKeys[i]), text(d.alerts[i]));
    char number[32];
    const auto result = std::to_chars(number, number + sizeof number, d.export_threshold_w);
    settings.SaveSetting(app, kAlertsSection, "ExportThreshold", std::string(number, result.ptr));
    settings.SaveSetting(app, kAlertsSection, "BatteryLowCharge", std::to_string(d.battery_low_percent));
}

}  // namespace pelmora
