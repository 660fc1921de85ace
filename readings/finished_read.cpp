#include "readings/finished_read.h"

#include <cmath>

namespace pelmora {

namespace {

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

}  // namespace pelmora
