#include "desktop/tray_text.h"

#include <cmath>

#include "readings/number_text.h"

namespace pelmora {

TrayState TrayStateOf(const FinishedRead& read, const std::string& program) {
    if (read.request_failed) return {program + "\n" + read.failure_text, std::nullopt};
    // As the window: a grid of exactly 0 is import.
    const bool exporting = read.grid_w < 0.0;
    return {program + "\nProduction " + FormatTenths(read.production_w) + " W\nConsumption " +
                FormatTenths(read.consumption_w) + " W\nGrid " + (exporting ? "export " : "import ") +
                FormatTenths(std::fabs(read.grid_w)) + " W",
            exporting ? kExportGreen : kImportLightRed};
}

}  // namespace pelmora
