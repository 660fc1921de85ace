#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "site/bounded_figure.h"

namespace pelmora {

// Prices past this, per kWh in any currency, are nonsense.
inline constexpr double kLargestPrice = 100.0;
// A tariff's seasons, a season's day groups and a group's periods past
// these counts are nonsense: real tariffs hold a handful of each.
inline constexpr std::size_t kMostSeasons = 24;
inline constexpr std::size_t kMostDayGroups = 7;
inline constexpr std::size_t kMostPeriods = 96;

// A stretch of a day's prices: from minute `start` of the day until the next
// period starts, across midnight.
struct TariffPeriod {
    int start = 0;  // 0 to 1439
    double buy = 0;
    std::optional<double> sell;  // the single selling price where none

    bool operator==(const TariffPeriod&) const = default;
};

// The days of a season that share their periods, Monday first.
struct TariffDays {
    std::array<bool, 7> weekdays{};
    std::vector<TariffPeriod> periods;  // by start, at least one

    bool operator==(const TariffDays&) const = default;
};

// A season runs from its start (month and day) to the next season's start,
// the last one round the new year to the first.
struct TariffSeason {
    int month = 1;
    int day = 1;
    std::vector<TariffDays> days;

    bool operator==(const TariffSeason&) const = default;
};

// What energy costs and earns: per kWh, in `currency` (a code or a symbol,
// possibly empty), the single rates, the seasons' time-of-use periods where
// there are any, and a fixed charge per day.
struct Tariff {
    std::string currency;
    double buy = 0;
    double sell = 0;
    std::vector<TariffSeason> seasons;  // by start
    double fixed_per_day = 0;

    bool operator==(const Tariff&) const = default;
};

// The tariff of a gateway's /admin/lib/tariff answer; nothing for anything
// else, or where a single rate is missing or past 0 to kLargestPrice. A
// season, group or period that cannot be read (a start past the day, a rate
// past kLargestPrice, too many of them) leaves the seasons out, with a line
// in `absurd`: the single rates then apply all year.
std::optional<Tariff> ParseTariff(std::string_view text, AbsurdNotes& absurd);

// A local moment: its date, its weekday (0 Monday) and its minute of the day.
struct LocalMinute {
    int year = 1970;
    int month = 1;
    int day = 1;
    int weekday = 0;
    int minute = 0;
};
// The local minute of `epoch` (UTC seconds) at `offset_seconds` east of UTC.
LocalMinute LocalMinuteOf(std::int64_t epoch, std::int32_t offset_seconds);

// What a kWh costs to buy and earns when sold at a moment.
struct Prices {
    double buy = 0;
    double sell = 0;
};
// The prices at `at`: the period in force on its day's group of its season,
// where the season has a group for that weekday; before the day's first
// period, the previous day's last one goes on. The single rates otherwise.
Prices PricesAt(const Tariff& tariff, const LocalMinute& at);
// A price per kWh rounded to 5 decimals, trailing zeros dropped: "0.5878", "0".
std::string PriceText(double price);

}  // namespace pelmora
