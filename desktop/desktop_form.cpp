#include "desktop/desktop_form.h"

#include "platform/failure.h"
#include "readings/number_text.h"
#include "readings/trimmed_text.h"

namespace pelmora {

const std::array<const char*, kAlertKinds> kAlertTitles = {
    "The gateway unreachable for 5 minutes, and back",
    "The data stale: the gateway's timestamp has not moved for 60 s",
    "A phase that had voltage reads 0 V for 60 s",
    "Export stopped while production is above the threshold, for 60 s",
    "The token expires in 30, 7 and 1 days",
    "The gateway refused the token",
    "The gateway's certificate changed",
    "The grid cut off, and back",
    "The battery below the charge given here",
    "A panel silent for 2 hours while at least half the others report",
    "The gateway's firmware changed",
};

DesktopForm LoadDesktopForm(const DesktopServices& services) {
    const DesktopSettings current = LoadDesktopSettings(services.settings, kSettingsApp);
    DesktopForm form{current.tray,
                     current.close_to_tray,
                     services.autostart.On(),
                     current.alerts,
                     FormatTenths(current.export_threshold_w),
                     std::to_string(current.battery_low_percent)};
    std::erase(form.threshold, ',');
    return form;
}

std::string SaveDesktopForm(const DesktopServices& services, const DesktopForm& form) {
    DesktopSettings d;
    d.tray = form.tray;
    d.close_to_tray = d.tray && form.close_to_tray;
    d.alerts = form.alerts;
    const std::optional<double> threshold = ExportThresholdFromText(TrimmedText(form.threshold));
    if (!threshold) return "The export threshold must be a number of watts from 0 to 10000000.";
    d.export_threshold_w = *threshold;
    const std::optional<int> low = BatteryLowFromText(TrimmedText(form.battery_low));
    if (!low) return "The low battery charge must be a whole percent from 0 to 100.";
    d.battery_low_percent = *low;
    SaveDesktopSettings(services.settings, kSettingsApp, d);
    std::string said = "Saved.";
    try {
        services.autostart.Set(form.autostart, d.tray);
    } catch (const Failure& failure) {
        said = "Saved, but " + services.autostart.Where() + " cannot be written (" + failure.message() + ").";
    }
    if (d.tray && !services.tray_available) said += " This desktop has no system tray at the moment.";
    if (services.apply) services.apply(d);
    return said;
}

}  // namespace pelmora
