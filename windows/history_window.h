#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/history.h"
#include "history/chart_model.h"
#include "history/history_view.h"
#include "platform/local_calendar.h"
#include "platform/settings_store.h"
#include "platform/window_system.h"

namespace pelmora {

// The history window: production, consumption and grid over the last hour
// (full resolution), today (minute means) or an earlier day with a file,
// with the energy of the range above the chart; or a month as daily bars
// of energy with the month's totals. Import and export are shaded in the
// main window's light red and green; a gap of more than five minutes breaks
// the lines. The shown ranges follow new reads. Size, placement and range
// are kept in [History]; closing hides it, and it opens again where it was.
class HistoryWindow {
public:
    static constexpr const char* kTitle = "Pelmora history";
    enum Id : int { kRange = 401, kSavePng, kSaveCsv, kTotals, kProblem };

    HistoryWindow(History& history, SettingsStore& settings, const LocalCalendar& calendar);
    ~HistoryWindow();
    HistoryWindow(const HistoryWindow&) = delete;
    HistoryWindow& operator=(const HistoryWindow&) = delete;

    void Open();
    // "hour", "today", a day "YYYY-MM-DD" that has a file, or a month
    // "YYYY-MM" that has one; another is not shown.
    void ShowRange(const std::string& range);
    const std::string& range() const { return m_model.range(); }
    // The ranges the list offers now.
    const std::vector<RangeChoice>& choices() const { return m_model.choices(); }
    // Draws again when reads arrived since the last drawing.
    void Refresh();
    // What resting the mouse at `x`, `y` (client pixels) tells: the nearest
    // point's figures, or the day's totals in a month; "" outside the plot.
    std::string TipAt(int x, int y) const;
    bool SavePng(const std::string& path);
    bool SaveCsv(const std::string& path);

    Hwnd handle() const { return m_window; }
    std::intptr_t Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);

private:
    void make_controls();
    void fill_ranges();
    void layout();
    void draw();
    void paint(std::uintptr_t dc, int width, int height);
    void save_settings();
    void save_as(bool png);
    void track_tip(int x, int y);

    ChartModel m_model;
    const LocalCalendar& m_calendar;
    Hwnd m_window = 0;
    std::uintptr_t m_font = 0;
    Hwnd m_tip = 0;  // the tooltip that follows the mouse over the chart
    bool m_tracking = false;
};

}  // namespace pelmora
