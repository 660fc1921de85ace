#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/history.h"
#include "history/sample.h"

namespace pelmora {

// One point of the chart: a sample, or a minute's means.
struct ChartPoint {
    std::int64_t epoch = 0;
    double production_w = 0.0;
    double consumption_w = 0.0;
    double grid_w = 0.0;
    std::optional<double> battery_w;
    std::optional<double> charge;  // % of the batteries' capacity
};

// One entry of the range list: what it shows and its key ("hour", "today",
// "YYYY-MM" or "YYYY-MM-DD").
struct RangeChoice {
    std::string label;
    std::string key;
};

// The last hour, today, then each month newest first with its earlier days
// under it; `days` oldest first, as History::Days gives them.
std::vector<RangeChoice> RangeChoices(const std::vector<std::string>& days, const std::string& today);

// "December 2026" for "2026-12"; the text itself when it is no month.
std::string MonthTitle(const std::string& month);

// "Produced 12.3 kWh   Consumed 8.1 kWh   Imported 2.0 kWh   Exported
// 6.2 kWh   Self-consumption 49 %", one decimal, "." as decimal point; a day
// with a battery adds "   Charged 3.1 kWh   Discharged 2.9 kWh". Then
// "   Self-sufficiency 75.3 %", and with `money` "   Bought 0.42 EUR   Sold
// 0.31 EUR   Net 0.11 EUR   Savings 1.22 EUR", to the cent.
std::string EnergyText(const Energy& energy, const std::optional<Money>& money = std::nullopt,
                       const std::string& currency = "");
// "_usd" for a currency code, to name the CSV's money columns; "" for a
// symbol or none, whose columns are then "bought", "sold" and so on.
std::string ColumnCurrency(const std::string& currency);

// The points split where samples are further apart than a line may bridge.
std::vector<std::vector<ChartPoint>> Segments(const std::vector<ChartPoint>& points);

// What one range shows: the heading over the chart ("2026-12-08 since
// 09:12:   Produced ..."), what kept something from being read, and the
// points, or for a month the days with their totals.
struct RangeView {
    Energy energy;               // the range's totals
    std::optional<Money> money;  // at the tariff in force, where there is one
    std::string currency;
    std::string totals;  // the heading: the range and its totals in words
    std::string problem;
    std::vector<ChartPoint> points;
    std::vector<DayTotal> month;
};

// The last hour of samples with the totals of the day it belongs to.
RangeView HourView(History& history);
// One day's minutes, `day` as "YYYY-MM-DD".
RangeView DayView(History& history, const std::string& day);
// A month's days, `month` as "YYYY-MM", or a year's months, `month` as "YYYY".
RangeView MonthView(History& history, const std::string& month);

// What resting the mouse on a chart's point tells: its local time as
// `clock` gives it, then production, consumption, grid and a battery's
// power in W, one decimal, a line each.
std::string PointTip(const ChartPoint& point, const std::string& clock);

// What resting on a month's day tells: the day, since when it counts where
// it did not from midnight, and its totals on the next line.
std::string DayTip(const DayTotal& day, const std::string& currency = "");

// The shown range as CSV: a month's daily totals in kWh, the hour's
// samples with their local time from `local_time`, or the day's file lines.
std::string RangeCsv(History& history, const std::string& range, const RangeView& view,
                     const std::function<std::string(std::int64_t)>& local_time);

}  // namespace pelmora
