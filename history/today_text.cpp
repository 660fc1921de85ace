#include "history/today_text.h"

#include "readings/number_text.h"

namespace pelmora {

std::optional<TodayTexts> TodayTextsOf(const std::vector<MinuteRecord>& minutes) {
    if (minutes.empty()) return std::nullopt;
    const Energy today = DayEnergy(minutes);
    const std::string since = CountedSince(minutes);
    const std::string when = since.empty() ? "Today: " : "Today since " + since + ": ";
    const auto kwh = [](double wh) { return FixedText(wh / 1000.0, 1) + " kWh"; };
    return TodayTexts{when + kwh(today.produced_wh) + " produced",
                      when + kwh(today.imported_wh) + " imported, " + kwh(today.exported_wh) + " exported"};
}

}  // namespace pelmora
