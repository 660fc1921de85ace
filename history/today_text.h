#pragma once

#include <optional>
#include <string>
#include <vector>

#include "history/day_file.h"
#include "site/tariff.h"

namespace pelmora {

// The lines the Production and Grid tooltips add under their own text:
// "Today: 12.3 kWh produced", "Today since 09:12: 1.0 kWh imported, 4.5 kWh
// exported" when the counters start later in the day. With a tariff, the
// first adds ", 2.10 USD saved" and the second ", net cost 0.78 USD".
struct TodayTexts {
    std::string produced;
    std::string grid;
};

// Today's lines from its minutes; nothing for a day without minutes.
std::optional<TodayTexts> TodayTextsOf(const std::vector<MinuteRecord>& minutes,
                                       const std::optional<Tariff>& tariff = std::nullopt);

}  // namespace pelmora
