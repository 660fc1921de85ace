#include "history/day_money.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "readings/number_text.h"

namespace pelmora {

namespace {

std::string amount(double value, const std::string& currency) {
    // Rounded to the cent here and only here; -0.00 shows as 0.00.
    const double cents = std::round(value * 100.0) / 100.0;
    std::string text = FixedText(cents == 0.0 ? 0.0 : cents, 2);
    return currency.empty() ? text : text + " " + currency;
}

std::string percent(double share) { return FormatTenths(share * 100.0) + " %"; }

// A whole number as the program writes numbers, "1,320".
std::string whole(std::int64_t value) {
    const std::string text = FormatTenths(static_cast<double>(value));
    return text.substr(0, text.size() - 2);
}

// The four amounts named `names`, `gap` between them.
std::string money_words(const Money& money, const std::string& currency, const std::array<const char*, 4>& names,
                        const char* gap) {
    const std::array<double, 4> amounts = {money.bought, money.sold, money.net(), money.savings};
    std::string text;
    for (std::size_t i = 0; i < amounts.size(); ++i)
        text += (i == 0 ? "" : gap) + std::string(names[i]) + " " + amount(amounts[i], currency);
    return text;
}

}  // namespace

Money DayMoney(const std::vector<MinuteRecord>& minutes, const Tariff& tariff) {
    Money money;
    money.fixed = tariff.fixed_per_day;
    const std::vector<Energy> energies = MinuteEnergies(minutes);
    for (std::size_t i = 0; i < minutes.size(); ++i) {
        const Prices prices = PricesAt(tariff, LocalMinuteOf(minutes[i].start, minutes[i].offset_seconds));
        const Energy& e = energies[i];
        money.bought += e.imported_wh / 1000.0 * prices.buy;
        money.sold += e.exported_wh / 1000.0 * prices.sell;
        money.savings += (e.consumed_wh - e.imported_wh) / 1000.0 * prices.buy;
    }
    return money;
}

double SelfSufficiency(const Energy& energy) {
    if (energy.consumed_wh <= 0.0) return 0.0;
    return std::clamp(1.0 - energy.imported_wh / energy.consumed_wh, 0.0, 1.0);
}

std::string MoneyText(const Money& money, const std::string& currency) {
    return money_words(money, currency, {"Bought", "sold", "net", "savings"}, ", ");
}

std::string MoneyHeading(const Money& money, const std::string& currency) {
    return money_words(money, currency, {"Bought", "Sold", "Net", "Savings"}, "   ");
}

std::string AmountText(double value) { return amount(value, ""); }

std::string RatiosText(const Energy& energy) {
    const double consumption = energy.produced_wh > 0.0 ? std::clamp(energy.self_consumption(), 0.0, 1.0) : 0.0;
    return "Self-sufficiency " + percent(SelfSufficiency(energy)) + ", self-consumption " + percent(consumption);
}

std::string CoverageText(const std::vector<MinuteRecord>& minutes) {
    if (minutes.empty()) return {};
    // The day's length follows the change of offset between its first and last minute.
    const std::int64_t day = 1440 + (minutes.front().offset_seconds - minutes.back().offset_seconds) / 60;
    const auto covered = static_cast<std::int64_t>(minutes.size());
    if (covered >= day) return {};
    return "Covers " + whole(covered) + " of " + whole(day) + " minutes";
}

}  // namespace pelmora
