#include "readings/finished_read.h"

#include <string_view>

#include "platform/ole_colors.h"
#include "readings/number_text.h"

namespace pelmora {

namespace {

double figure(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (char c : text) {
        if (c != ',') plain += c;
    }
    return LeadingNumber(plain);
}

// A grid box shows its figure without sign; green marks an export.
double signed_figure(const ControlsView& view, std::string_view box) {
    const double shown = figure(view.text(box));
    return view.back_color(box) == kExportGreen ? -shown : shown;
}

}  // namespace

FinishedRead FiguresOnWindow(const ControlsView& view) {
    FinishedRead read;
    read.address = view.text("IP");
    read.production_w = figure(view.text("Production"));
    read.consumption_w = figure(view.text("Consumption"));
    read.grid_w = signed_figure(view, "Grid");
    constexpr std::string_view kSolar[] = {"S1", "S2", "S3"};
    constexpr std::string_view kGrid[] = {"G1", "G2", "G3"};
    constexpr std::string_view kAmps[] = {"A1", "A2", "A3"};
    for (std::size_t i = 0; i < 3; ++i) {
        PhaseFigures& phase = read.phases[i];
        phase.solar_w = figure(view.text(kSolar[i]));
        phase.grid_w = signed_figure(view, kGrid[i]);
        phase.amps = figure(view.text(kAmps[i]));
        phase.volts = figure(view.tooltip(kAmps[i]));
    }
    return read;
}

}  // namespace pelmora
