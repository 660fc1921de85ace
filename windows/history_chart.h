#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/history.h"
#include "history/history_view.h"

namespace pelmora {

// Where a chart goes: a device context and a rectangle of it, in pixels.
struct ChartPlace {
    std::uintptr_t dc = 0;  // HDC
    int left = 0, top = 0, right = 0, bottom = 0;
    std::uintptr_t font = 0;  // HFONT of the labels
};

// Production, consumption, grid and a battery's power as lines over
// [from, to) in W, the grid's import and export shaded down to zero, a gap
// between segments left open; `clock_text` labels the time axis.
void DrawLineChart(const ChartPlace& place, const std::vector<ChartPoint>& points, std::int64_t from, std::int64_t to,
                   const std::function<std::string(std::int64_t)>& clock_text);

// A month's days as groups of bars in kWh: produced, consumed, imported,
// exported, and charged and discharged when `battery`.
// Each slot's label under its bars comes from `label` (a day's number, a month's name).
void DrawMonthChart(const ChartPlace& place, const std::vector<DayTotal>& days, int days_in_month, bool battery,
                    const std::function<std::string(int)>& label);

// The moment under `x` in a line chart over [from, to), or nothing outside its plot.
std::optional<std::int64_t> EpochAt(const ChartPlace& place, std::int64_t from, std::int64_t to, int x, int y);

// The day of the month under `x` in a month chart, or nothing outside its plot.
std::optional<int> DayAt(const ChartPlace& place, int days_in_month, int x, int y);

}  // namespace pelmora
