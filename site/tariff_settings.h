#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"
#include "site/tariff.h"

namespace pelmora {

inline constexpr const char* kTariffSection = "Tariff";
// Time-of-use periods a group of days may have when typed by hand.
inline constexpr std::size_t kMostTypedPeriods = 8;

// Whose prices count: the gateway's tariff, or those typed by hand.
enum class TariffSource { Gateway, Typed };

// [Tariff]: the prices typed on the Tariff page, and whose prices count;
// nothing chosen yet means the gateway's where it has a price above 0.
struct TariffSettings {
    std::optional<TariffSource> source;
    Tariff typed;  // one season from January 1, weekdays and the weekend, where periods were typed
};

// A price per kWh as typed or kept: a number from 0 to kLargestPrice, "."
// for its decimals, or nothing.
std::optional<double> PriceFromText(std::string_view text);
// A price as the settings keep it: the shortest text that reads back the same.
std::string PriceNumberText(double value);
// "07:00=0.30, 22:00=0.20": up to kMostTypedPeriods starts of the day, each
// once, with their buying price; nothing for anything else. "" is no period.
std::optional<std::vector<TariffPeriod>> PeriodsFromText(std::string_view text);
std::string PeriodsText(const std::vector<TariffPeriod>& periods);
// The periods of `days` (weekdays, or the weekend) typed in `tariff`.
std::vector<TariffPeriod> TypedPeriods(const Tariff& tariff, bool weekend);

// Reads [Tariff] (Source, Currency, Buy, Sell, Weekdays, Weekend,
// FixedPerDay); a value that cannot be read is left at its default.
TariffSettings LoadTariffSettings(SettingsStore& settings, const std::string& app);
void SaveTariffSettings(SettingsStore& settings, const std::string& app, const TariffSettings& tariff);
// `typed` with its weekday and weekend periods as one season from January 1.
Tariff TypedTariff(const std::string& currency, double buy, double sell, double fixed_per_day,
                   const std::vector<TariffPeriod>& weekdays, const std::vector<TariffPeriod>& weekend);

// Whether a tariff asks or pays anything.
bool HasPrice(const Tariff& tariff);
// The prices that count: the chosen source's, or without a choice the
// gateway's where it has a price above 0, else those typed where they have
// one; nothing without any price, so that typed prices left empty count no money.
std::optional<Tariff> TariffInForce(const TariffSettings& settings, const std::optional<Tariff>& gateway);

}  // namespace pelmora
