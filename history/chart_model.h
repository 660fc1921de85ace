#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/history.h"
#include "history/history_view.h"
#include "platform/settings_store.h"

namespace pelmora {

inline constexpr const char* kHistorySection = "History";

// A History window's size and place in pixels as [History] keeps them;
// left and top only where both were kept.
struct HistoryPlace {
    int width = 900;
    int height = 520;
    std::optional<int> left;
    std::optional<int> top;
};

// The kept place, no larger than the screen's free area of `room_width` by
// `room_height` and pulled back so that it ends by `room_right` and
// `room_bottom` (each toolkit's own idea of the area's last pixel).
// Another window kept the same way names its own `section`.
HistoryPlace KeptHistoryPlace(SettingsStore& settings, int room_width, int room_height, int room_right, int room_bottom,
                              const char* section = kHistorySection);
// Keeps a window's size and place in `section` for KeptHistoryPlace; a
// place above or left of the screen is kept as 0.
void SaveWindowPlace(SettingsStore& settings, const char* section, int width, int height, int left, int top);

// A point of a grid area's outline: the epoch (at a zero crossing, between
// two samples) and the watts.
using AreaPoint = std::pair<double, double>;
// The grid's import above zero and its export below, each from its first
// sample to its last, with the crossings of zero interpolated.
struct GridAreas {
    std::vector<AreaPoint> import_top;
    std::vector<AreaPoint> export_bottom;
};
GridAreas GridAreasOf(const std::vector<ChartPoint>& part);
// A bar of the month view: what it is called and shows, and whether only a
// month with a battery has it.
struct MonthBar {
    const char* name;
    double Energy::*flow;
    bool battery;
};
// The month view's bars of a day, in the order they stand.
inline constexpr std::array<MonthBar, 6> kMonthBars{{{"Produced", &Energy::produced_wh, false},
                                                     {"Consumed", &Energy::consumed_wh, false},
                                                     {"Imported", &Energy::imported_wh, false},
                                                     {"Exported", &Energy::exported_wh, false},
                                                     {"Charged", &Energy::charged_wh, true},
                                                     {"Discharged", &Energy::discharged_wh, true}}};

// The watts the lines of `points` reach, at least 0 to 100.
std::pair<double, double> PowerExtentOf(const std::vector<ChartPoint>& points);
// The kWh the highest bar of `days` reaches, at least 1.
double MonthHighOf(const std::vector<DayTotal>& days);

// What a History window shows, the same for every front end: the ranges on
// offer, the range shown with its time window (a local day of 23 or 25
// hours included), the month's days, the figures' extent, the tips, the CSV
// and what [History] keeps. The windows draw from it.
class ChartModel {
public:
    ChartModel(History& history, SettingsStore& settings, const LocalCalendar& calendar);

    // The ranges the list offers now, made again from the day files.
    const std::vector<RangeChoice>& FillChoices();
    const std::vector<RangeChoice>& choices() const { return m_choices; }
    // The range [History] keeps, "today" where the list no longer has it.
    std::string KeptRange();
    // Shows `range` where the list has it (made again first where not), as
    // of `now`; false, with nothing changed, for another.
    bool Show(const std::string& range, std::int64_t now);
    // Whether reads since the last drawing change what is shown: always for
    // the hour and today, once a minute for today's month.
    bool Stale() const;
    // Takes what is shown from the history again.
    void Draw(std::int64_t now);

    const std::string& range() const { return m_range; }
    // A month's days or a year's months, drawn as bars.
    bool month() const { return m_range.size() == 7 || year(); }
    bool year() const { return m_range.size() == 4; }
    const RangeView& view() const { return m_view; }
    // The line chart's time window.
    std::int64_t from() const { return m_from; }
    std::int64_t to() const { return m_to; }
    // The bars' slots: the month's days, or 12 months.
    int days_in_month() const { return m_days_in_month; }
    // What names slot `slot` under its bars ("17", or "Nov"), and the axis ("Day" or "Month").
    std::string SlotLabel(int slot) const;
    std::string SlotTitle() const { return year() ? "Month" : "Day"; }
    std::pair<double, double> PowerExtent() const { return PowerExtentOf(m_view.points); }
    double MonthHigh() const { return MonthHighOf(m_view.month); }
    // "HH:MM" or "HH:MM:SS" of `epoch` in local time.
    std::string ClockText(std::int64_t epoch, bool seconds) const;
    // The tip for the point nearest to `epoch`; "" without points.
    std::string PointTipAt(std::int64_t epoch) const;
    // The tip for day `day` of the month shown; "" for a day without a file.
    std::string DayTipOn(int slot) const;
    // The range as CSV, local times as `local_time` writes them.
    std::string Csv(const std::function<std::string(std::int64_t)>& local_time) const;
    // Keeps the window's size, place and range in [History].
    void SavePlace(int width, int height, int left, int top) const;

private:
    std::int64_t local_midnight(const std::string& day) const;
    std::string local_day(std::int64_t epoch) const;

    History& m_history;
    SettingsStore& m_settings;
    const LocalCalendar& m_calendar;
    std::vector<RangeChoice> m_choices;
    std::string m_range;
    RangeView m_view;
    std::int64_t m_from = 0;
    std::int64_t m_to = 0;
    int m_days_in_month = 0;
    std::uint64_t m_drawn_generation = 0;
};

}  // namespace pelmora
