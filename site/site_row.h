#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ole_colors.h"
#include "site/site_equipment.h"
#include "site/site_reading.h"

namespace pelmora {

// What the window's site row shows after a good read, by the window's box
// names; every front end lays it out its own way.
struct SiteRow {
    bool battery = false;  // the Battery and HouseLoad row is shown
    // Phase boxes of phases the meter does not have: shown empty on the
    // window's background, not with what their channel carries.
    std::vector<std::string> blank;
    std::string battery_text;
    OleColor battery_colour = kWindowBackground;
    std::string battery_tooltip;
    std::string house_load_text;  // empty when the site cannot tell the load
    std::string house_load_tooltip;
    // The batteries' charge ("46 %") and what the documents tell of them;
    // empty, and the Charge box hidden, while they tell no charge.
    std::string charge_text;
    std::string charge_tooltip;
};

inline constexpr OleColor kBatteryCharging = 0x00FFE0A0;     // light blue
inline constexpr OleColor kBatteryDischarging = 0x0080C0FF;  // light orange

// The row for `site`, or the row of a site without a battery for none.
SiteRow SiteRowOf(const SiteReading* site);

// `row` with the batteries' charge where `battery` tells it; a site whose
// meters show no battery gets the row for it, its power boxes empty.
SiteRow WithCharge(SiteRow row, const std::optional<BatteryState>& battery);

// The consumption mode the meter list gives the second meter: false for a
// net meter, true for a total one, nothing when it has neither.
std::optional<bool> ListedConsumptionMode(const SiteReading& site);

// What the caption adds when the second meter measures otherwise than the
// mode reads it: which program to start instead; "" when it fits.
std::string MisfitCaption(bool misfits, bool consumption_mode);

}  // namespace pelmora
