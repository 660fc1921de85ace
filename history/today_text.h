#pragma once

#include <optional>
#include <string>
#include <vector>

#include "history/day_file.h"

namespace pelmora {

// The lines the Production and Grid tooltips add under their own text:
// "Today: 12.3 kWh produced", "Today since 09:12: 1.0 kWh imported, 4.5 kWh
// exported" when the counters start later in the day.
struct TodayTexts {
    std::string produced;
    std::string grid;
};

// Today's lines from its minutes; nothing for a day without minutes.
std::optional<TodayTexts> TodayTextsOf(const std::vector<MinuteRecord>& minutes);

}  // namespace pelmora
