#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "platform/ole_colors.h"

namespace pelmora {

enum class ControlKind { TextBox, Label, CheckBox, CommandButton, Timer };

// B9.75 and B8.25 are bold MS Sans Serif at those point sizes; Default is
// the window's font, regular 8.25 pt.
enum class ControlFont { Default, Bold975, Bold825 };

// One control of the main window in its design state. Positions and sizes
// are twips from the client area's top-left corner.
struct ControlDesign {
    std::string_view name;
    ControlKind kind;
    int left, top, width, height;
    int tab_index;  // -1 for the timer
    std::string_view text;
    ControlFont font;
    bool right_aligned;
    std::optional<OleColor> back_color;
    std::string_view tooltip;
    bool visible;
};

// The 35 controls in tab order, the timer last.
std::span<const ControlDesign> MainWindowDesign();

// The row a site with a battery adds under Grid: the battery and the house
// load, each a label and a bold read-only box. The controls at or below its
// top move down by its height while it shows, and the frame's height as the
// settings see it leaves it out.
std::span<const ControlDesign> SiteRowDesign();
inline constexpr int kSiteRowTop = 1560;
inline constexpr int kSiteRowHeight = 360;

// Twips of the window's design: client area and the frame around it.
inline constexpr int kDesignClientWidth = 8430;
inline constexpr int kDesignClientHeight = 1575;
inline constexpr int kDesignFrameWidth = 240;
inline constexpr int kDesignFrameHeight = 585;
// The first phase row's top and the height of its Solar and Grid boxes.
inline constexpr int kPhaseRowTop = 1920;
inline constexpr int kPhaseBoxHeight = 285;
// Where the settings column starts (client x).
inline constexpr int kSettingsColumnLeft = 4440;
inline constexpr int kTwipsPerPixel = 15;

inline constexpr std::string_view kDesignCaption = "Pelmora";
inline constexpr std::string_view kDefaultGatewayAddress = "envoy.local";
inline constexpr std::string_view kConsumptionHeader = "Solar                 Consumption";

}  // namespace pelmora
