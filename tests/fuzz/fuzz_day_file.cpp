// Day files as a hostile disk may hold them: loading never fails, keeps only
// minutes of the file's own date with finite, bounded figures, every minute
// it keeps writes a line that reads back to the same line, and the day's
// totals, counters and all, are finite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "history/day_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t unread = 0;
    const std::vector<pelmora::MinuteRecord> minutes = pelmora::LoadDayFile(text, "2026-12-08", &unread);
    const pelmora::Energy total = pelmora::DayEnergy(minutes);
    for (const double wh : {total.produced_wh, total.consumed_wh, total.imported_wh, total.exported_wh,
                            total.charged_wh, total.discharged_wh}) {
        if (!std::isfinite(wh)) std::abort();
    }
    for (const pelmora::MinuteRecord& m : minutes) {
        for (const double w : {m.production_w, m.consumption_w, m.grid_w}) {
            if (!std::isfinite(w)) std::abort();
        }
        if (m.samples < 0) std::abort();
        const std::string line = pelmora::MinuteLine(m);
        if (line.compare(0, 10, "2026-12-08") != 0) std::abort();
        if (line.find_first_not_of("0123456789.,:+-T\n") != std::string::npos) std::abort();
        const auto again = pelmora::ParseMinuteLine(line);
        if (!again || again->start != m.start || pelmora::MinuteLine(*again) != line) std::abort();
    }
    return 0;
}
