#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace pelmora {

inline constexpr const char* kDesktopSection = "Desktop";
inline constexpr const char* kAlertsSection = "Alerts";

// What the desktop is told about, each switched on its own.
enum class Alert : std::size_t {
    Unreachable,         // the gateway has not answered for 5 minutes
    Stale,               // answers come, but the gateway's timestamp has not moved for 60 s
    DeadPhase,           // a phase that had voltage reads 0 V for 60 s
    ExportStopped,       // no export while production is above the threshold, for 60 s
    TokenExpiring,       // the token expires within 30, 7 or 1 days
    TokenRefused,        // the gateway refused the token
    CertificateChanged,  // the gateway's certificate changed
    GridCutOff,          // the grid switch opened, and closed again
    BatteryLow,          // the battery's charge fell below the chosen one
    PanelSilent,         // a panel silent for 2 hours while at least half the others report
    FirmwareChanged,     // the gateway's firmware changed
};
inline constexpr std::size_t kAlertKinds = 11;
// Their keys in [Alerts], in the order of Alert.
inline constexpr std::array<std::string_view, kAlertKinds> kAlertKeys = {
    "Unreachable",        "Stale",      "DeadPhase",  "ExportStopped", "TokenExpiring",  "TokenRefused",
    "CertificateChanged", "GridCutOff", "BatteryLow", "PanelSilent",   "FirmwareChanged"};

// [Desktop] and [Alerts]: everything off unless switched on.
struct DesktopSettings {
    bool tray = false;           // an icon in the system tray
    bool close_to_tray = false;  // closing the window hides it, with the tray
    std::array<bool, kAlertKinds> alerts{};
    double export_threshold_w = 1000.0;  // for ExportStopped
    int battery_low_percent = 20;        // for BatteryLow

    bool alert(Alert a) const { return alerts[static_cast<std::size_t>(a)]; }
};

// A switch that is not a stored boolean reads as off; a threshold that is
// not a number from 0 to 10 MW, or a charge that is no whole percent, as the default.
DesktopSettings LoadDesktopSettings(SettingsStore& settings, const std::string& app);
// The export threshold typed or stored: watts from 0 to 10 MW, or nothing.
std::optional<double> ExportThresholdFromText(std::string_view text);
// The low battery charge typed or stored: a whole percent from 0 to 100, or nothing.
std::optional<int> BatteryLowFromText(std::string_view text);
void SaveDesktopSettings(SettingsStore& settings, const std::string& app, const DesktopSettings& desktop);

}  // namespace pelmora
