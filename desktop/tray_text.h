#pragma once

#include <optional>
#include <string>

#include "platform/ole_colors.h"
#include "readings/finished_read.h"

namespace pelmora {

// What the tray icon shows after a read: the figures now in its tooltip,
// and the grid's direction in the main window's colours.
struct TrayState {
    std::string tooltip;
    // Export green or import light red; nothing after a failed request,
    // which keeps the colour the icon had.
    std::optional<OleColor> colour;
};

// "Pelmora\nProduction 3,785.0 W\nConsumption 446.0 W\nGrid export 3,339.0 W";
// after a failed request the program's name and what the time stamp shows.
TrayState TrayStateOf(const FinishedRead& read, const std::string& program);

}  // namespace pelmora
