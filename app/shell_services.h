#pragma once

#include <vector>

#include "access/access_status.h"
#include "desktop/desktop_services.h"
#include "site/tariff_form.h"
#include "gateway/gateway_request.h"
#include "history/history.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/regional_format.h"
#include "platform/settings_store.h"
#include "platform/tick_source.h"
#include "platform/time_zone_source.h"
#include "platform/tray_icon.h"
#include "publish/publish_services.h"
#include "readings/finished_read.h"
#include "site/equipment_stage.h"
#include "site/site_stage.h"

namespace pelmora {

// What the window reaches outside itself; main wires the real ones in,
// tests their fakes.
struct ShellServices {
    GatewayRequest& request;
    TickSource& ticks;
    const RegionalFormat& format;
    FileSystem& files;
    const TimeZoneSource& zone;
    SettingsStore& settings;
    MessageBox& about;
    // Token access to HTTPS gateways and publishing over MQTT; with neither
    // the window has no Options command.
    AccessServices* access = nullptr;
    PublishServices* publish = nullptr;
    // The reads' history; without it the window has no History command.
    History* history = nullptr;
    // Each read that reached the output file goes to these, after the read.
    std::vector<FinishedReadSink*> finished_reads = {};
    // The site by meter; the window shows a battery when it has one.
    const SiteStage* site = nullptr;
    // The Desktop page of Options, and the tray icon the window keeps up to date.
    DesktopServices* desktop = nullptr;
    TrayIcon* tray = nullptr;
    // The gateway's documents beside the readings; the battery row shows their charge.
    const EquipmentStage* equipment = nullptr;
    // The Tariff page of Options.
    TariffServices* tariff = nullptr;
};

}  // namespace pelmora
