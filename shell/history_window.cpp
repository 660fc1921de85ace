#include "shell/history_window.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolTip>
#include <QEvent>
#include <QHelpEvent>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

#include "qt/qt_colour.h"
#include "history/energy.h"
#include "platform/ole_colors.h"
#include "form/settings.h"
#include "records/stored_value.h"

namespace pelmora {

namespace {

const QColor kProductionColour(230, 150, 0);
const QColor kConsumptionColour(40, 90, 200);
const QColor kGridColour(90, 90, 90);
const QColor kBatteryColour(130, 60, 180);
const QColor kChargeColour(0, 150, 136);

// The area between two lines in a see-through main-window colour.
QAreaSeries* shaded(QLineSeries* upper, QLineSeries* lower, OleColor colour) {
    auto* area = new QAreaSeries(upper, lower);
    // The area does not own the lines that bound it.
    upper->setParent(area);
    lower->setParent(area);
    QColor fill = QtColour(colour);
    fill.setAlpha(140);
    area->setColor(fill);
    area->setBorderColor(fill);
    return area;
}

qreal ms(std::int64_t epoch) { return static_cast<qreal>(epoch) * 1000.0; }

// The range list, filled again each time it opens, so that a day that began
// or a file that was added since shows without a restart.
class RangeBox : public QComboBox {
public:
    RangeBox(QWidget* parent, std::function<void()> about_to_open)
        : QComboBox(parent), m_about_to_open(std::move(about_to_open)) {}
    void showPopup() override {
        m_about_to_open();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_about_to_open;
};

}  // namespace

QString Unbroken(const std::string& items) {
    QString text = QString::fromStdString(items);
    QString out;
    for (const QString& item : text.split(QStringLiteral("   "))) {
        if (!out.isEmpty()) out += QStringLiteral("   ");
        out += QString(item).replace(QLatin1Char(' '), QChar(0x00A0));
    }
    return out;
}

HistoryWindow::HistoryWindow(History& history, SettingsStore& settings, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_model(history, settings, history.calendar()),
      m_range(new RangeBox(this, [this] { fill_ranges(); })),
      m_totals(new QLabel(this)),
      m_problem(new QLabel(this)),
      m_view(new QChartView(this)),
      m_chart(new QChart),
      m_live(new QTimer(this)) {
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Pelmora history"));
    m_range->setObjectName(QStringLiteral("Range"));
    m_range->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_totals->setObjectName(QStringLiteral("Totals"));
    m_totals->setWordWrap(true);  // a battery day's totals are long
    m_problem->setObjectName(QStringLiteral("HistoryProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_view->setChart(m_chart);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(480, 260);
    // Resting the mouse anywhere over the plot tells the nearest point's or day's figures.
    m_view->viewport()->installEventFilter(this);
    m_chart->legend()->setAlignment(Qt::AlignBottom);

    auto* png = new QPushButton(QStringLiteral("Save as PNG..."), this);
    auto* csv = new QPushButton(QStringLiteral("Save as CSV..."), this);
    png->setObjectName(QStringLiteral("SavePng"));
    csv->setObjectName(QStringLiteral("SaveCsv"));
    connect(png, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as PNG"), QString(),
                                                          QStringLiteral("PNG images (*.png)"));
        if (!path.isEmpty()) SavePng(path);
    });
    connect(csv, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as CSV"), QString(),
                                                          QStringLiteral("CSV files (*.csv)"));
        if (!path.isEmpty()) SaveCsv(path);
    });
    auto* top = new QHBoxLayout;
    top->addWidget(m_range);
    top->addStretch();
    top->addWidget(png);
    top->addWidget(csv);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_totals);
    layout->addWidget(m_problem);
    layout->addWidget(m_view, 1);

    // No larger than the screen's free area, and on it.
    const QRect room = screen()->availableGeometry();
    const HistoryPlace place = KeptHistoryPlace(settings, room.width(), room.height(), room.right(), room.bottom());
    resize(place.width, place.height);
    if (place.left && place.top) move(*place.left, *place.top);

    fill_ranges();
    ShowRange(m_model.KeptRange());
    connect(m_range, &QComboBox::activated, this,
            [this](int index) { ShowRange(m_range->itemData(index).toString().toStdString()); });
    m_live->setInterval(1000);
    connect(m_live, &QTimer::timeout, this, [this] { Refresh(); });
    m_live->start();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::Open() {
    if (m_place) move(*m_place);
    show();
    raise();
    activateWindow();
}

void HistoryWindow::fill_ranges() {
    const QSignalBlocker quiet(m_range);
    m_range->clear();
    for (const RangeChoice& choice : m_model.FillChoices())
        m_range->addItem(QString::fromStdString(choice.label), QString::fromStdString(choice.key));
    m_range->setCurrentIndex(m_range->findData(QString::fromStdString(m_model.range())));
}

void HistoryWindow::ShowRange(const std::string& range) {
    if (!m_model.Show(range, QDateTime::currentSecsSinceEpoch())) return;
    if (m_range->findData(QString::fromStdString(range)) < 0) fill_ranges();
    m_range->setCurrentIndex(m_range->findData(QString::fromStdString(range)));
    draw();
}

void HistoryWindow::Refresh() {
    if (!m_model.Stale()) return;
    m_model.Draw(QDateTime::currentSecsSinceEpoch());
    draw();
}

void HistoryWindow::show_totals(const RangeView& view) {
    m_totals->setText(Unbroken(view.totals));
    m_problem->setText(QString::fromStdString(view.problem));
    m_problem->setVisible(!view.problem.empty());
}

void HistoryWindow::clear_chart() {
    m_chart->removeAllSeries();
    for (QAbstractAxis* axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
}

void HistoryWindow::draw() {
    if (m_model.month()) {
        draw_month();
        return;
    }
    show_totals(m_model.view());
    const std::vector<ChartPoint>& points = m_model.view().points;

    clear_chart();
    auto* x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("HH:mm"));
    x->setRange(QDateTime::fromSecsSinceEpoch(m_model.from()), QDateTime::fromSecsSinceEpoch(m_model.to()));
    x->setTitleText(QStringLiteral("Local time"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("W"));
    const auto [low, high] = m_model.PowerExtent();
    const double margin = (high - low) * 0.05;
    y->setRange(low - (low < 0.0 ? margin : 0.0), high + margin);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);
    // The batteries' charge against an axis of its own, only where a point has it.
    QValueAxis* charge_axis = nullptr;
    if (std::any_of(points.begin(), points.end(), [](const ChartPoint& p) { return p.charge.has_value(); })) {
        charge_axis = new QValueAxis;
        charge_axis->setTitleText(QStringLiteral("%"));
        charge_axis->setRange(0.0, 100.0);
        charge_axis->setTickCount(5);
        charge_axis->setLabelFormat(QStringLiteral("%.0f"));
        charge_axis->setGridLineVisible(false);
        m_chart->addAxis(charge_axis, Qt::AlignRight);
    }

    bool first = true;
    bool first_battery = true;
    bool first_charge = true;
    auto add = [&](QAbstractSeries* series, const QString& name) {
        series->setName(name);
        m_chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        // One legend entry per line, not per piece of it.
        if (!first) {
            for (QLegendMarker* marker : m_chart->legend()->markers(series)) marker->setVisible(false);
        }
    };
    for (const std::vector<ChartPoint>& part : Segments(points)) {
        // The grid's import and export shaded down to zero.
        auto* import_top = new QLineSeries;
        auto* export_bottom = new QLineSeries;
        auto* zero = new QLineSeries;
        const GridAreas areas = GridAreasOf(part);
        for (const auto& [t, w] : areas.import_top) import_top->append(t * 1000.0, w);
        for (const auto& [t, w] : areas.export_bottom) export_bottom->append(t * 1000.0, w);
        zero->append(ms(part.front().epoch), 0.0);
        zero->append(ms(part.back().epoch), 0.0);
        auto* zero_copy = new QLineSeries;
        zero_copy->append(zero->points());
        add(shaded(import_top, zero, kImportLightRed), QStringLiteral("Import"));
        add(shaded(zero_copy, export_bottom, kExportGreen), QStringLiteral("Export"));

        const struct {
            const char* name;
            QColor colour;
            double ChartPoint::*value;
        } lines[] = {{"Production", kProductionColour, &ChartPoint::production_w},
                     {"Consumption", kConsumptionColour, &ChartPoint::consumption_w},
                     {"Grid", kGridColour, &ChartPoint::grid_w}};
        for (const auto& line : lines) {
            auto* series = new QLineSeries;
            QPen pen(line.colour);
            pen.setWidth(2);
            series->setPen(pen);
            for (const ChartPoint& p : part) series->append(ms(p.epoch), p.*(line.value));
            add(series, QString::fromLatin1(line.name));
        }
        if (std::any_of(part.begin(), part.end(), [](const ChartPoint& p) { return p.battery_w.has_value(); })) {
            // Positive while the battery discharges into the house.
            auto* series = new QLineSeries;
            QPen pen(kBatteryColour);
            pen.setWidth(2);
            series->setPen(pen);
            for (const ChartPoint& p : part) {
                if (p.battery_w) series->append(ms(p.epoch), *p.battery_w);
            }
            add(series, QStringLiteral("Battery"));
            if (!first_battery) {
                for (QLegendMarker* marker : m_chart->legend()->markers(series)) marker->setVisible(false);
            }
            first_battery = false;
        }
        if (charge_axis != nullptr &&
            std::any_of(part.begin(), part.end(), [](const ChartPoint& p) { return p.charge.has_value(); })) {
            auto* series = new QLineSeries;
            QPen pen(kChargeColour);
            pen.setWidth(2);
            series->setPen(pen);
            for (const ChartPoint& p : part) {
                if (p.charge) series->append(ms(p.epoch), *p.charge);
            }
            series->setName(QStringLiteral("Charge"));
            m_chart->addSeries(series);
            series->attachAxis(x);
            series->attachAxis(charge_axis);
            if (!first_charge) {
                for (QLegendMarker* marker : m_chart->legend()->markers(series)) marker->setVisible(false);
            }
            first_charge = false;
        }
        first = false;
    }
}

void HistoryWindow::draw_month() {
    const RangeView& view = m_model.view();
    show_totals(view);
    const Energy& total = view.energy;

    clear_chart();
    // The colours of kMonthBars, in its order.
    const QColor colours[] = {kProductionColour,      kConsumptionColour,          QtColour(kImportLightRed),
                              QtColour(kExportGreen), kBatteryColour.lighter(140), kBatteryColour};
    auto* series = new QBarSeries;
    QStringList days;
    const int length = m_model.days_in_month();
    for (int slot = 1; slot <= length; ++slot) days << QString::fromStdString(m_model.SlotLabel(slot));
    double high = 1.0;
    for (std::size_t kind = 0; kind < kMonthBars.size(); ++kind) {
        const MonthBar& bar = kMonthBars[kind];
        if (bar.battery && !total.battery) continue;
        auto* set = new QBarSet(QString::fromLatin1(bar.name));
        set->setColor(colours[kind]);
        set->setBorderColor(colours[kind].darker(130));
        QList<qreal> values(length, 0.0);
        for (const DayTotal& d : view.month) {
            if (d.slot >= 1 && d.slot <= length) values[d.slot - 1] = d.energy.*(bar.flow) / 1000.0;
        }
        for (const qreal v : values) high = std::max(high, v);
        set->append(values);
        series->append(set);
    }
    m_chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(days);
    x->setTitleText(QString::fromStdString(m_model.SlotTitle()));
    // Upright, every day's number fits its narrow column whatever the month's length; a year's months lie flat.
    if (!m_model.year()) x->setLabelsAngle(-90);
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("kWh"));
    y->setRange(0.0, high * 1.05);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event) {
    // The toolkit's own tooltip event, sent once the mouse rests, as the
    // main window's tooltips come.
    if (watched == m_view->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = TipAt(m_chart->mapFromScene(m_view->mapToScene(help->pos())));
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, m_view->viewport());
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString HistoryWindow::TipAt(const QPointF& at) const {
    const QList<QAbstractSeries*> series = m_chart->series();
    if (series.isEmpty() || !m_chart->plotArea().contains(at)) return {};
    const QPointF value = m_chart->mapToValue(at, series.front());
    if (m_model.month()) return QString::fromStdString(m_model.DayTipOn(static_cast<int>(std::lround(value.x())) + 1));
    return QString::fromStdString(m_model.PointTipAt(static_cast<std::int64_t>(value.x() / 1000.0)));
}

bool HistoryWindow::SavePng(const QString& path) { return m_view->grab().save(path, "PNG"); }

bool HistoryWindow::SaveCsv(const QString& path) {
    const std::string text = m_model.Csv([](std::int64_t epoch) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(epoch);
        return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
    });
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
    m_place = pos();
    m_model.SavePlace(width(), height(), x(), y());
    event->accept();
}

}  // namespace pelmora
