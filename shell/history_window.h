#pragma once

#include <QDate>
#include <QWidget>
#include <QPoint>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/history.h"
#include "history/chart_model.h"
#include "history/history_view.h"
#include "platform/settings_store.h"

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QTimer;

namespace pelmora {

// Totals for a label that wraps between items (kept apart by three blanks)
// and never inside one: each item's own blanks become no-break spaces.
QString Unbroken(const std::string& items);

// The history window: production, consumption and grid over the last hour
// (full resolution), today (minute means) or an earlier day with a file,
// with the energy of the day shown above the chart; or a month as daily
// bars of energy, with the month's totals. Import and export are
// shaded in the main window's light red and green; a gap of more than five
// minutes breaks the lines. The shown ranges follow new reads. Size,
// placement and range are kept in [History]; the size never exceeds the
// screen's free area.
class HistoryWindow : public QWidget {
public:
    HistoryWindow(History& history, SettingsStore& settings, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Shows the window where it was when last closed in this run.
    void Open();
    // "hour", "today", a day "YYYY-MM-DD" that has a file, or a month
    // "YYYY-MM" that has one.
    void ShowRange(const std::string& range);
    const std::string& range() const { return m_model.range(); }
    // Redraws when reads arrived since the last drawing.
    void Refresh();
    bool SavePng(const QString& path);
    bool SaveCsv(const QString& path);

    QChart* chart() const { return m_chart; }
    const std::vector<ChartPoint>& points() const { return m_model.view().points; }
    // The days of the month shown, empty for any other range.
    const std::vector<DayTotal>& month_days() const { return m_model.view().month; }
    // What hovering the chart at `at` (chart coordinates) tells: the
    // nearest point's figures, or the day's totals in the month view; empty
    // outside the plot.
    QString TipAt(const QPointF& at) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void fill_ranges();
    void draw();
    void draw_month();
    void clear_chart();
    void show_totals(const RangeView& view);
    bool eventFilter(QObject* watched, QEvent* event) override;

    ChartModel m_model;
    QComboBox* m_range;
    QLabel* m_totals;
    QLabel* m_problem;
    QChartView* m_view;
    QChart* m_chart;
    QTimer* m_live;
    std::optional<QPoint> m_place;  // where it was closed
};

}  // namespace pelmora
