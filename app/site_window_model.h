#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/local_calendar.h"
#include "platform/settings_store.h"
#include "site/equipment_stage.h"

namespace pelmora {

// Where [Site] keeps the Site window's size and place.
inline constexpr const char* kSiteSection = "Site";

// One panel's tile: its figures as text and its bar.
struct PanelTile {
    std::string serial;
    std::string watts;     // "184 W"
    std::string largest;   // "largest 335 W"
    std::string reported;  // the local time of its last report, "17:54"
    double fraction = 0;   // the last watts against the largest, 0 to 1
    bool silent = false;   // silent while the others report: drawn to stand out
};

// What the Site window shows, section by section; each section's lines are
// drawn as they are, with the section's title above them.
struct SiteWindowView {
    struct Section {
        std::string title;
        std::vector<std::string> lines;
    };
    std::vector<Section> sections;  // Batteries, Grid, Panels, Gateway, Documents
    std::vector<PanelTile> panels;  // drawn as tiles after the Panels section's lines
};

// What the window adds beside the documents: the end dates of the
// gateway's certificate and of the token, where they are known.
struct AccessDates {
    std::optional<std::int64_t> certificate_end;
    std::optional<std::int64_t> token_end;
};

// The Site window's content from what the documents said; times are
// local, dates as "2026-12-10 19:22".
SiteWindowView SiteWindowViewOf(const EquipmentStage& stage, const LocalCalendar& calendar, const AccessDates& access);

// How many tiles of `tile_width` fit across `width`, at least one.
int PanelColumns(int width, int tile_width);

}  // namespace pelmora
