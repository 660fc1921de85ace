#include "history/today_text.h"

#include "history/day_money.h"
#include "readings/number_text.h"

namespace pelmora {

std::optional<TodayTexts> TodayTextsOf(const std::vector<MinuteRecord>& minutes, const std::optional<Tariff>& tariff) {
    if (minutes.empty()) return std::nullopt;
    const Energy today = DayEnergy(minutes);
    const std::string since = CountedSince(minutes);
    const std::string when = since.empty() ? "Today: " : "Today since " + since + ": ";
    const auto kwh = [](double wh) { return FixedText(wh / 1000.0, 1) + " kWh"; };
    TodayTexts texts{when + kwh(today.produced_wh) + " produced",
                     when + kwh(today.imported_wh) + " imported, " + kwh(today.exported_wh) + " exported"};
    if (tariff) {
        const Money money = DayMoney(minutes, *tariff);
        const std::string unit = tariff->currency.empty() ? "" : " " + tariff->currency;
        texts.produced += ", " + AmountText(money.savings) + unit + " saved";
        texts.grid += ", net cost " + AmountText(money.net()) + unit;
    }
    return texts;
}

}  // namespace pelmora
