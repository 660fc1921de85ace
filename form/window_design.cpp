#include "form/window_design.h"

#include <array>

namespace pelmora {

namespace {

constexpr std::string_view kGridTip = "Green Export, Red Iimport";
constexpr std::string_view kDelayTip = "Delay between requests";

using K = ControlKind;
using F = ControlFont;
constexpr std::optional<OleColor> none = std::nullopt;

constexpr std::array<ControlDesign, 35> kDesign = {{
    {"Grid", K::TextBox, 1200, 1200, 950, 285, 0, "0", F::Bold975, true, kImportLightRed, kGridTip, true},
    {"Production", K::TextBox, 1200, 480, 950, 285, 1, "0", F::Bold975, true, none, "Solar Production", true},
    {"TimeStamp", K::TextBox, 1200, 120, 2300, 360, 2, "0", F::Bold975, false, none, "Instant time stamp", true},
    {"Consumption", K::TextBox, 1200, 840, 950, 285, 3, "0", F::Bold975, true, none, "Production +/- Grid", true},
    {"IP", K::TextBox, 5040, 120, 1695, 285, 4, kDefaultGatewayAddress, F::Bold825, false, none, "", true},
    {"Label1", K::Label, 120, 1200, 615, 255, 5, "Grid", F::Default, false, none, "", true},
    {"Label2", K::Label, 120, 480, 975, 255, 6, "Production", F::Default, false, none, "", true},
    {"Label3", K::Label, 120, 120, 855, 255, 7, "Timestamp", F::Default, false, none, "", true},
    {"Label4", K::Label, 120, 840, 975, 255, 8, "Consumption", F::Default, false, none, "", true},
    {"MyTime", K::TextBox, 7080, 1200, 1095, 285, 9, "0", F::Default, true, none, "", false},
    {"Turnaround", K::TextBox, 2280, 1200, 975, 285, 10, "0", F::Bold975, true, none, "Response time from Envoy", true},
    {"Delay", K::TextBox, 3480, 1200, 615, 285, 11, "1000", F::Bold975, true, none, kDelayTip, true},
    {"Label5", K::Label, 2280, 840, 1815, 255, 12, "Response time     Delay", F::Default, false, none, "", true},
    {"OutFile", K::TextBox, 5040, 840, 3135, 285, 13, "E:\\Meters.txt", F::Bold825, false, none, "", true},
    {"CreateOutputchk", K::CheckBox, 4680, 840, 255, 255, 14, "Check1", F::Default, false, none, "", true},
    {"Startbtn", K::CommandButton, 3550, 120, 735, 255, 15, "Start", F::Default, false, none, "", true},
    {"Stopbtn", K::CommandButton, 3550, 480, 735, 255, 16, "Stop", F::Default, false, none, "", true},
    {"Label6", K::Label, 4680, 550, 1815, 255, 17, "Write?  File to write to", F::Default, false, none, "", true},
    {"Label7", K::Label, 4440, 120, 495, 255, 18, "Envoy", F::Default, false, none, "", true},
    {"Label8", K::Label, 1200, 1680, 3135, 255, 19, "Solar                  Grid                  Amps", F::Default,
     false, none, "", true},
    {"G1", K::TextBox, 2280, 1920, 975, 285, 20, "0", F::Bold975, true, none, kGridTip, true},
    {"S1", K::TextBox, 1200, 1920, 950, 285, 21, "0", F::Bold975, true, none, "", true},
    {"G2", K::TextBox, 2280, 2280, 975, 285, 22, "0", F::Bold975, true, none, kGridTip, true},
    {"S2", K::TextBox, 1200, 2280, 950, 285, 23, "0", F::Bold975, true, none, "", true},
    {"G3", K::TextBox, 2280, 2640, 975, 285, 24, "0", F::Bold975, true, none, kGridTip, true},
    {"S3", K::TextBox, 1200, 2640, 950, 285, 25, "0", F::Bold975, true, none, "", true},
    {"Label9", K::Label, 120, 1920, 615, 255, 26, "Phase 1", F::Default, false, none, "", true},
    {"Label10", K::Label, 120, 2280, 615, 255, 27, "Phase 2", F::Default, false, none, "", true},
    {"Label11", K::Label, 120, 2640, 615, 255, 28, "Phase 3", F::Default, false, none, "", true},
    {"Zone", K::TextBox, 5520, 1200, 915, 285, 29, "", F::Bold825, false, none, kDelayTip, true},
    {"Label12", K::Label, 4680, 1200, 975, 255, 30, "Time Zone", F::Default, false, none, "", true},
    {"A3", K::TextBox, 3360, 2640, 700, 360, 31, "0", F::Bold975, true, none, kGridTip, true},
    {"A2", K::TextBox, 3360, 2280, 700, 360, 32, "0", F::Bold975, true, none, kGridTip, true},
    {"A1", K::TextBox, 3360, 1920, 700, 360, 33, "0", F::Bold975, true, none, kGridTip, true},
    {"Timer1", K::Timer, 0, 0, 0, 0, -1, "", F::Default, false, none, "", false},
}};

}  // namespace

std::span<const ControlDesign> MainWindowDesign() { return kDesign; }

std::span<const ControlDesign> SiteRowDesign() {
    static constexpr ControlDesign kRow[] = {
        {"BatteryLabel", ControlKind::Label, 120, kSiteRowTop, 975, 285, -1, "Battery", ControlFont::Default, false,
         std::nullopt, "", true},
        {"Battery", ControlKind::TextBox, 1200, kSiteRowTop, 950, 285, -1, "0", ControlFont::Bold975, true,
         std::nullopt, "", true},
        {"HouseLoadLabel", ControlKind::Label, 2280, kSiteRowTop, 975, 285, -1, "House load", ControlFont::Default,
         false, std::nullopt, "", true},
        {"HouseLoad", ControlKind::TextBox, 3360, kSiteRowTop, 950, 285, -1, "0", ControlFont::Bold975, true,
         std::nullopt, "", true},
        // Shown only while the gateway's battery documents tell the charge.
        {"ChargeLabel", ControlKind::Label, 4680, kSiteRowTop, 855, 285, -1, "Charge", ControlFont::Default, false,
         std::nullopt, "", true},
        {"Charge", ControlKind::TextBox, 5520, kSiteRowTop, 915, 285, -1, "", ControlFont::Bold975, true, std::nullopt,
         "", true},
    };
    return kRow;
}

}  // namespace pelmora
