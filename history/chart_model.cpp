#include "history/chart_model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "records/date_time.h"
#include "records/stored_value.h"

namespace pelmora {

namespace {

std::string two(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string day_text(const CivilDateTime& civil) {
    return std::to_string(civil.year) + "-" + two(civil.month) + "-" + two(civil.day);
}

}  // namespace

HistoryPlace KeptHistoryPlace(SettingsStore& settings, int room_width, int room_height, int room_right, int room_bottom,
                              const char* section) {
    const auto stored = [&](const char* key, int fallback) {
        return StoredInteger(settings.GetSetting(kSettingsApp, section, key, "")).value_or(fallback);
    };
    HistoryPlace place;
    place.width = std::min(std::max(stored("Width", 900), 320), room_width);
    place.height = std::min(std::max(stored("Height", 520), 240), room_height);
    const int left = stored("Left", -1);
    const int top = stored("Top", -1);
    if (left >= 0 && top >= 0) {
        place.left = std::min(left, std::max(room_right - place.width, 0));
        place.top = std::min(top, std::max(room_bottom - place.height, 0));
    }
    return place;
}

GridAreas GridAreasOf(const std::vector<ChartPoint>& part) {
    GridAreas areas;
    for (std::size_t i = 0; i < part.size(); ++i) {
        const ChartPoint& p = part[i];
        if (i > 0) {
            const ChartPoint& q = part[i - 1];
            if ((q.grid_w < 0.0) != (p.grid_w < 0.0) && q.grid_w != p.grid_w) {
                const double t = static_cast<double>(q.epoch) +
                                 static_cast<double>(p.epoch - q.epoch) * q.grid_w / (q.grid_w - p.grid_w);
                areas.import_top.emplace_back(t, 0.0);
                areas.export_bottom.emplace_back(t, 0.0);
            }
        }
        areas.import_top.emplace_back(static_cast<double>(p.epoch), std::max(p.grid_w, 0.0));
        areas.export_bottom.emplace_back(static_cast<double>(p.epoch), std::min(p.grid_w, 0.0));
    }
    return areas;
}

ChartModel::ChartModel(History& history, SettingsStore& settings, const LocalCalendar& calendar)
    : m_history(history), m_settings(settings), m_calendar(calendar) {}

const std::vector<RangeChoice>& ChartModel::FillChoices() {
    m_choices = RangeChoices(m_history.Days(), m_history.Today());
    return m_choices;
}

std::string ChartModel::KeptRange() {
    const std::string range = m_settings.GetSetting(kSettingsApp, kHistorySection, "Range", "today");
    const auto offered = [&] {
        return std::any_of(m_choices.begin(), m_choices.end(), [&](const RangeChoice& c) { return c.key == range; });
    };
    if (!offered()) FillChoices();
    return offered() ? range : "today";
}

bool ChartModel::Show(const std::string& range, std::int64_t now) {
    const auto offered = [&] {
        return std::any_of(m_choices.begin(), m_choices.end(), [&](const RangeChoice& c) { return c.key == range; });
    };
    if (!offered()) FillChoices();
    if (!offered()) return false;
    m_range = range;
    Draw(now);
    return true;
}

bool ChartModel::Stale() const {
    if (m_history.Generation() == m_drawn_generation) return false;
    if (m_range == "hour" || m_range == "today") return true;
    return month() && m_history.Today().starts_with(m_range) && m_history.Generation() - m_drawn_generation >= 60;
}

std::string ChartModel::local_day(std::int64_t epoch) const { return day_text(m_calendar.ToLocal(epoch).civil); }

std::int64_t ChartModel::local_midnight(const std::string& day) const {
    int year = 0;
    int month_number = 0;
    int date = 0;
    if (std::sscanf(day.c_str(), "%d-%d-%d", &year, &month_number, &date) != 3) return 0;
    const std::int64_t utc =
        DaysFromCivil(year, static_cast<unsigned>(month_number), static_cast<unsigned>(date)) * 86400;
    // The zone's offset at that midnight, found from the offset near it.
    const std::int64_t nearby = utc - m_calendar.ToLocal(utc).offset_seconds;
    return utc - m_calendar.ToLocal(nearby).offset_seconds;
}

void ChartModel::Draw(std::int64_t now) {
    m_drawn_generation = m_history.Generation();
    if (year()) {
        m_view = MonthView(m_history, m_range);
        m_days_in_month = 12;
    } else if (month()) {
        m_view = MonthView(m_history, m_range);
        const int year = std::atoi(m_range.substr(0, 4).c_str());
        const int month_number = std::atoi(m_range.substr(5, 2).c_str());
        const int next_month = month_number == 12 ? 1 : month_number + 1;
        const int next_year = month_number == 12 ? year + 1 : year;
        m_days_in_month = month_number >= 1 && month_number <= 12
                              ? static_cast<int>(DaysFromCivil(next_year, static_cast<unsigned>(next_month), 1) -
                                                 DaysFromCivil(year, static_cast<unsigned>(month_number), 1))
                              : 31;
    } else if (m_range == "hour") {
        m_view = HourView(m_history);
        const Sample* newest = m_history.ring().newest();
        m_to = newest != nullptr ? newest->epoch : now;
        m_from = m_to - 3600;
    } else {
        std::string day = m_range == "today" ? m_history.Today() : m_range;
        if (day.empty()) day = local_day(now);
        m_view = DayView(m_history, day);
        m_from = local_midnight(day);
        // The next day's midnight, a day of 23 or 25 hours included.
        m_to = local_midnight(local_day(m_from + std::int64_t{36} * 3600));
    }
}

std::pair<double, double> PowerExtentOf(const std::vector<ChartPoint>& points) {
    double low = 0.0;
    double high = 100.0;
    for (const ChartPoint& p : points) {
        const double battery = p.battery_w.value_or(0.0);
        low = std::min({low, p.grid_w, p.production_w, p.consumption_w, battery});
        high = std::max({high, p.grid_w, p.production_w, p.consumption_w, battery});
    }
    return {low, high};
}

double MonthHighOf(const std::vector<DayTotal>& days) {
    double high = 1.0;
    for (const DayTotal& d : days) {
        for (const MonthBar& bar : kMonthBars) high = std::max(high, d.energy.*(bar.flow) / 1000.0);
    }
    return high;
}

std::string ChartModel::ClockText(std::int64_t epoch, bool seconds) const {
    const CivilDateTime local = m_calendar.ToLocal(epoch).civil;
    return two(local.hour) + ":" + two(local.minute) + (seconds ? ":" + two(local.second) : "");
}

std::string ChartModel::PointTipAt(std::int64_t epoch) const {
    const std::vector<ChartPoint>& points = m_view.points;
    if (points.empty()) return "";
    const auto nearest = std::min_element(points.begin(), points.end(), [epoch](const auto& a, const auto& b) {
        return std::llabs(a.epoch - epoch) < std::llabs(b.epoch - epoch);
    });
    return PointTip(*nearest, ClockText(nearest->epoch, true));
}

std::string ChartModel::SlotLabel(int slot) const {
    static constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (year() && slot >= 1 && slot <= 12) return kMonths[static_cast<std::size_t>(slot - 1)];
    return std::to_string(slot);
}

std::string ChartModel::DayTipOn(int slot) const {
    const auto found =
        std::find_if(m_view.month.begin(), m_view.month.end(), [&](const DayTotal& d) { return d.slot == slot; });
    return found == m_view.month.end() ? "" : DayTip(*found, m_view.currency);
}

std::string ChartModel::Csv(const std::function<std::string(std::int64_t)>& local_time) const {
    return RangeCsv(m_history, m_range, m_view, local_time);
}

void SaveWindowPlace(SettingsStore& settings, const char* section, int width, int height, int left, int top) {
    const auto put = [&](const char* key, const std::string& value) {
        settings.SaveSetting(kSettingsApp, section, key, value);
    };
    put("Width", std::to_string(width));
    put("Height", std::to_string(height));
    put("Left", std::to_string(std::max(left, 0)));
    put("Top", std::to_string(std::max(top, 0)));
}

void ChartModel::SavePlace(int width, int height, int left, int top) const {
    SaveWindowPlace(m_settings, kHistorySection, width, height, left, top);
    m_settings.SaveSetting(kSettingsApp, kHistorySection, "Range", m_range);
}

}  // namespace pelmora
