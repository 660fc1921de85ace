#include "app/site_window_model.h"

#include <algorithm>
#include <cstdio>

#include "site/equipment_text.h"

namespace pelmora {

namespace {

std::string clock_time(const LocalCalendar& calendar, std::int64_t epoch) {
    const CivilDateTime t = calendar.ToLocal(epoch).civil;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

std::string date_time(const LocalCalendar& calendar, std::int64_t epoch) {
    const CivilDateTime t = calendar.ToLocal(epoch).civil;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return text;
}

std::string without_break(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

SiteWindowView::Section batteries(const SiteEquipment& equipment) {
    SiteWindowView::Section section{"Batteries", {}};
    const std::optional<BatteryState> battery = BatteryOf(equipment);
    if (!battery) {
        section.lines.emplace_back(equipment.aggregate || equipment.inventory ? "None" : "Not known yet");
        return section;
    }
    section.lines.push_back(without_break(BatteryLine(*battery)));
    for (const BatteryUnit& unit : battery->units) {
        std::string line = without_break(UnitLine(unit));
        if (unit.power_w)
            line += ", " + GroupedWhole(std::abs(*unit.power_w)) + " W " +
                    (*unit.power_w < 0   ? "charging"
                     : *unit.power_w > 0 ? "discharging"
                                         : "idle");
        section.lines.push_back(line);
    }
    if (battery->older) section.lines.push_back(without_break(OlderLine(*battery->older)));
    return section;
}

SiteWindowView::Section grid(const SiteEquipment& equipment) {
    const std::optional<bool> connected = GridConnected(equipment);
    if (!connected) return {"Grid", {equipment.inventory ? "No grid switch" : "Not known yet"}};
    return {"Grid",
            {*connected ? "On the grid: the switch is closed"
                        : "Cut off from the grid: running on the battery and the panels"}};
}

SiteWindowView::Section gateway(const SiteEquipment& equipment, const LocalCalendar& calendar,
                                const AccessDates& access) {
    SiteWindowView::Section section{"Gateway", {}};
    if (equipment.gateway) {
        section.lines.push_back("Serial " + equipment.gateway->serial + ", part " + equipment.gateway->part);
        section.lines.push_back("Firmware " + equipment.gateway->firmware);
    } else {
        section.lines.emplace_back("Not known yet");
    }
    if (access.certificate_end)
        section.lines.push_back("Its certificate ends " + date_time(calendar, *access.certificate_end));
    if (access.token_end) section.lines.push_back("The token ends " + date_time(calendar, *access.token_end));
    return section;
}

std::string document_state(const EquipmentStage& stage, DocumentKind kind, const LocalCalendar& calendar) {
    const SideStatus& status = stage.schedule().status(kind);
    const std::optional<std::int64_t> due = stage.schedule().DueAt(kind, stage.situation());
    if (status.asked) return "being read";
    if (!due) return "not asked: the site has no older batteries";
    std::string text;
    if (!status.last) return "not read yet";
    if (*status.last == SideOutcome::Missing) {
        text = "the gateway does not have it";
    } else if (*status.last == SideOutcome::Failed) {
        text = "no good answer (" + std::to_string(status.failures) + (status.failures == 1 ? " time" : " times") +
               " in a row)";
        if (status.last_good) text += ", last read at " + clock_time(calendar, *status.last_good);
    } else {
        text = "read at " + clock_time(calendar, *status.last_good);
    }
    return text + "; next at " + clock_time(calendar, *due);
}

std::vector<PanelTile> tiles(const std::vector<Inverter>& inverters, const LocalCalendar& calendar) {
    const InverterSummary summary = SummaryOf(inverters);
    std::vector<PanelTile> tiles;
    for (const Inverter& inverter : inverters) {
        PanelTile tile;
        tile.serial = inverter.serial;
        tile.watts = GroupedWhole(inverter.watts) + " W";
        tile.largest = "largest " + GroupedWhole(inverter.max_watts) + " W";
        const std::string at = clock_time(calendar, inverter.reported);
        tile.reported = at.substr(0, 5);
        tile.fraction = inverter.max_watts > 0 ? std::clamp(inverter.watts / inverter.max_watts, 0.0, 1.0) : 0.0;
        tile.silent = IsSilent(inverter, summary);
        tiles.push_back(std::move(tile));
    }
    return tiles;
}

}  // namespace

SiteWindowView SiteWindowViewOf(const EquipmentStage& stage, const LocalCalendar& calendar, const AccessDates& access) {
    const SiteEquipment& equipment = stage.equipment();
    SiteWindowView view;
    view.sections.push_back(batteries(equipment));
    view.sections.push_back(grid(equipment));
    SiteWindowView::Section panels{"Panels", {}};
    if (equipment.inverters) {
        const InverterSummary summary = SummaryOf(*equipment.inverters);
        panels.lines.push_back(without_break(InvertersLine(summary)));
        if (summary.reporting < summary.count)
            panels.lines.push_back(GroupedWhole(static_cast<double>(summary.count - summary.reporting)) +
                                   " silent for more than 30 minutes while the others report");
        view.panels = tiles(*equipment.inverters, calendar);
    } else {
        panels.lines.emplace_back("Not known yet");
    }
    view.sections.push_back(panels);
    view.sections.push_back(gateway(equipment, calendar, access));
    SiteWindowView::Section documents{"Documents", {}};
    for (const SideDocumentPath& document : kSideDocuments)
        documents.lines.push_back(std::string(document.path) + ": " + document_state(stage, document.kind, calendar));
    view.sections.push_back(documents);
    return view;
}

int PanelColumns(int width, int tile_width) { return std::max(1, tile_width > 0 ? width / tile_width : 1); }

}  // namespace pelmora
