#include "readings/finished_read.h"

#include <cmath>
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

bool plausible(double w) { return std::isfinite(w) && std::fabs(w) <= kLargestPower; }

}  // namespace

void PlausibleReads::OnFinishedRead(const FinishedRead& read) {
    bool measured = plausible(read.production_w) && plausible(read.consumption_w) && plausible(read.grid_w);
    for (const PhaseFigures& phase : read.phases) {
        measured = measured && plausible(phase.solar_w) && plausible(phase.grid_w) && std::isfinite(phase.amps) &&
                   std::isfinite(phase.volts);
    }
    if (read.site) {
        for (const MeterReading& meter : read.site->meters) measured = measured && plausible(meter.power_w);
        for (const std::optional<double>& w : {read.site->battery_w, read.site->load_w})
            measured = measured && (!w || plausible(*w));
    }
    if (read.request_failed || measured) {
        for (FinishedReadSink* sink : m_sinks) sink->OnFinishedRead(read);
        return;
    }
    if (!m_told) {
        m_log << "Pelmora: a read from " << read.address << " with a power beyond " << kLargestPower / 1e6
              << " MW or not a number was neither kept nor published (this is said once)\n";
        m_log.flush();
        m_told = true;
    }
}

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
