#include "windows/history_chart.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "history/chart_model.h"
#include "platform/ole_colors.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

const COLORREF kProduction = RGB(230, 150, 0);
const COLORREF kConsumption = RGB(40, 90, 200);
const COLORREF kGrid = RGB(90, 90, 90);
const COLORREF kBattery = RGB(130, 60, 180);
const COLORREF kCharge = RGB(0, 150, 136);
const COLORREF kAxis = RGB(120, 120, 120);
const COLORREF kRule = RGB(225, 225, 225);

constexpr int kLeftMargin = 56;
constexpr int kBottomMargin = 46;
constexpr int kTopMargin = 24;
constexpr int kRightMargin = 16;
constexpr int kChargeMargin = 34;  // more on the right for the charge's axis

// An OLE colour of the main window, lightened as a see-through fill over white.
COLORREF shade(OleColor colour) {
    const auto mix = [](unsigned c) { return static_cast<BYTE>((c * 55 + 255 * 45) / 100); };
    return RGB(mix(colour & 0xFF), mix((colour >> 8) & 0xFF), mix((colour >> 16) & 0xFF));
}

COLORREF solid(OleColor colour) { return static_cast<COLORREF>(colour & 0xFFFFFF); }

// A round step near a fifth of `span`: 1, 2 or 5 times a power of ten.
double nice_step(double span) {
    const double raw = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) return m * power;
    }
    return 10.0 * power;
}

// The plot inside the margins, and the value scale along its height.
struct Plot {
    RECT area;
    double low, high;
    int y(double value) const {
        return area.bottom - static_cast<int>(std::lround((value - low) / (high - low) * (area.bottom - area.top)));
    }
};

void text_at(HDC dc, int x, int y, const std::string& text, UINT align) {
    SetTextAlign(dc, align);
    const std::wstring wide = Utf16(text);
    TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

void line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width = 1) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// The value axis with its rules and labels, rounded out to whole steps.
Plot value_axis(HDC dc, const RECT& area, double low, double high, const char* unit) {
    const double step = nice_step(std::max(high - low, 1.0));
    Plot plot{area, std::floor(low / step) * step, std::ceil(high / step) * step};
    if (plot.high <= plot.low) plot.high = plot.low + step;
    for (double v = plot.low; v <= plot.high + step / 2; v += step) {
        line(dc, area.left, plot.y(v), area.right, plot.y(v), std::abs(v) < step / 2 ? kAxis : kRule);
        text_at(dc, area.left - 6, plot.y(v) - 7, std::to_string(std::lround(v)), TA_RIGHT | TA_TOP);
    }
    text_at(dc, area.left - 6, area.top - 4, unit, TA_RIGHT | TA_BOTTOM);
    line(dc, area.left, area.top, area.left, area.bottom, kAxis);
    return plot;
}

void legend(HDC dc, const RECT& area, const std::vector<std::pair<std::string, COLORREF>>& keys) {
    int x = area.left;
    const int y = area.bottom + 26;
    for (const auto& [name, colour] : keys) {
        RECT swatch{x, y + 2, x + 12, y + 12};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &swatch, brush);
        DeleteObject(brush);
        text_at(dc, x + 16, y, name, TA_LEFT | TA_TOP);
        SIZE size{};
        const std::wstring wide = Utf16(name);
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        x += 16 + size.cx + 18;
    }
}

void polygon(HDC dc, const std::vector<POINT>& points, COLORREF colour) {
    if (points.size() < 3) return;
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old_brush = SelectObject(dc, brush);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    Polygon(dc, points.data(), static_cast<int>(points.size()));
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(brush);
    DeleteObject(pen);
}

RECT plot_area(const ChartPlace& place) {
    return RECT{place.left + kLeftMargin, place.top + kTopMargin, place.right - kRightMargin,
                place.bottom - kBottomMargin};
}

// Clears the place and sets up its font, transparent text in the axis colour.
HDC begin(const ChartPlace& place) {
    HDC dc = reinterpret_cast<HDC>(place.dc);
    RECT all{place.left, place.top, place.right, place.bottom};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (place.font != 0) SelectObject(dc, reinterpret_cast<HFONT>(place.font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(60, 60, 60));
    return dc;
}

}  // namespace

void DrawLineChart(const ChartPlace& place, const std::vector<ChartPoint>& points, std::int64_t from, std::int64_t to,
                   const std::function<std::string(std::int64_t)>& clock_text) {
    HDC dc = begin(place);
    const bool charged =
        std::any_of(points.begin(), points.end(), [](const ChartPoint& p) { return p.charge.has_value(); });
    RECT area = plot_area(place);
    if (charged) area.right -= kChargeMargin;
    if (area.right - area.left < 20 || area.bottom - area.top < 20 || to <= from) return;
    const auto [low, high] = PowerExtentOf(points);
    const Plot plot = value_axis(dc, area, low, high, "W");
    const Plot percent{area, 0.0, 100.0};
    const auto x_of = [&](double epoch) {
        return area.left + static_cast<int>(std::lround((epoch - static_cast<double>(from)) /
                                                        static_cast<double>(to - from) * (area.right - area.left)));
    };
    // Time rules: every two hours over a day, every ten minutes over an hour.
    const std::int64_t step = to - from > 4 * 3600 ? 7200 : 600;
    for (std::int64_t t = from + (step - from % step) % step; t <= to; t += step) {
        line(dc, x_of(static_cast<double>(t)), area.top, x_of(static_cast<double>(t)), area.bottom, kRule);
        text_at(dc, x_of(static_cast<double>(t)), area.bottom + 4, clock_text(t), TA_CENTER | TA_TOP);
    }
    bool battery = false;
    for (const std::vector<ChartPoint>& part : Segments(points)) {
        // The grid's import and export shaded down to zero.
        std::vector<POINT> import_area{{x_of(static_cast<double>(part.front().epoch)), plot.y(0.0)}};
        std::vector<POINT> export_area = import_area;
        const GridAreas areas = GridAreasOf(part);
        for (const auto& [t, w] : areas.import_top) import_area.push_back({x_of(t), plot.y(w)});
        for (const auto& [t, w] : areas.export_bottom) export_area.push_back({x_of(t), plot.y(w)});
        const POINT end{x_of(static_cast<double>(part.back().epoch)), plot.y(0.0)};
        import_area.push_back(end);
        export_area.push_back(end);
        polygon(dc, import_area, shade(kImportLightRed));
        polygon(dc, export_area, shade(kExportGreen));

        const struct {
            COLORREF colour;
            double ChartPoint::*value;
        } lines[] = {{kProduction, &ChartPoint::production_w},
                     {kConsumption, &ChartPoint::consumption_w},
                     {kGrid, &ChartPoint::grid_w}};
        for (const auto& l : lines) {
            std::vector<POINT> drawn;
            for (const ChartPoint& p : part) drawn.push_back({x_of(static_cast<double>(p.epoch)), plot.y(p.*l.value)});
            HPEN pen = CreatePen(PS_SOLID, 2, l.colour);
            HGDIOBJ old = SelectObject(dc, pen);
            Polyline(dc, drawn.data(), static_cast<int>(drawn.size()));
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        std::vector<POINT> stored;
        for (const ChartPoint& p : part) {
            if (p.battery_w) stored.push_back({x_of(static_cast<double>(p.epoch)), plot.y(*p.battery_w)});
        }
        if (stored.size() > 1) {
            battery = true;
            HPEN pen = CreatePen(PS_SOLID, 2, kBattery);
            HGDIOBJ old = SelectObject(dc, pen);
            Polyline(dc, stored.data(), static_cast<int>(stored.size()));
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        std::vector<POINT> charge;
        for (const ChartPoint& p : part) {
            if (p.charge) charge.push_back({x_of(static_cast<double>(p.epoch)), percent.y(*p.charge)});
        }
        if (charge.size() > 1) {
            HPEN pen = CreatePen(PS_SOLID, 2, kCharge);
            HGDIOBJ old = SelectObject(dc, pen);
            Polyline(dc, charge.data(), static_cast<int>(charge.size()));
            SelectObject(dc, old);
            DeleteObject(pen);
        }
    }
    std::vector<std::pair<std::string, COLORREF>> keys{{"Import", shade(kImportLightRed)},
                                                       {"Export", shade(kExportGreen)},
                                                       {"Production", kProduction},
                                                       {"Consumption", kConsumption},
                                                       {"Grid", kGrid}};
    if (battery) keys.emplace_back("Battery", kBattery);
    if (charged) {
        line(dc, area.right, area.top, area.right, area.bottom, kAxis);
        for (int v = 0; v <= 100; v += 25)
            text_at(dc, area.right + 4, percent.y(v) - 7, std::to_string(v), TA_LEFT | TA_TOP);
        text_at(dc, area.right + 4, area.top - 4, "%", TA_LEFT | TA_BOTTOM);
        keys.emplace_back("Charge", kCharge);
    }
    legend(dc, area, keys);
}

void DrawMonthChart(const ChartPlace& place, const std::vector<DayTotal>& days, int days_in_month, bool battery,
                    const std::function<std::string(int)>& label) {
    HDC dc = begin(place);
    const RECT area = plot_area(place);
    if (area.right - area.left < 40 || area.bottom - area.top < 20 || days_in_month < 1) return;
    // The colours of kMonthBars, in its order.
    const COLORREF colours[] = {kProduction,         kConsumption,       solid(kImportLightRed),
                                solid(kExportGreen), RGB(180, 140, 215), kBattery};
    const Plot plot = value_axis(dc, area, 0.0, MonthHighOf(days) * 1.05, "kWh");
    const int kinds = battery ? 6 : 4;
    const double column = static_cast<double>(area.right - area.left) / days_in_month;
    const double width = column * 0.8 / kinds;
    for (int day = 1; day <= days_in_month; ++day) {
        const int centre = area.left + static_cast<int>(column * (day - 0.5));
        // Every day's number where they fit, else every other.
        if (column >= 18 || day % 2 == 1) text_at(dc, centre, area.bottom + 4, label(day), TA_CENTER | TA_TOP);
    }
    for (const DayTotal& d : days) {
        const int day = d.slot;
        if (day < 1 || day > days_in_month) continue;
        const double start = area.left + column * (day - 1) + column * 0.1;
        int kind = 0;
        for (std::size_t b = 0; b < kMonthBars.size(); ++b) {
            const MonthBar& bar = kMonthBars[b];
            if (bar.battery && !battery) continue;
            const int x = static_cast<int>(start + width * kind);
            RECT r{x, plot.y(d.energy.*(bar.flow) / 1000.0),
                   std::max(x + 1, static_cast<int>(start + width * (kind + 1))), plot.y(0.0)};
            HBRUSH brush = CreateSolidBrush(colours[b]);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
            ++kind;
        }
    }
    std::vector<std::pair<std::string, COLORREF>> keys;
    for (std::size_t b = 0; b < kMonthBars.size(); ++b) {
        if (!kMonthBars[b].battery || battery) keys.emplace_back(kMonthBars[b].name, colours[b]);
    }
    legend(dc, area, keys);
}

namespace {

bool in_plot(const RECT& area, int x, int y) {
    return x >= area.left && x <= area.right && y >= area.top && y <= area.bottom;
}

}  // namespace

std::optional<std::int64_t> EpochAt(const ChartPlace& place, std::int64_t from, std::int64_t to, int x, int y) {
    const RECT area = plot_area(place);
    if (!in_plot(area, x, y) || area.right <= area.left || to <= from) return std::nullopt;
    return from + static_cast<std::int64_t>(std::llround(static_cast<double>(x - area.left) / (area.right - area.left) *
                                                         static_cast<double>(to - from)));
}

std::optional<int> DayAt(const ChartPlace& place, int days_in_month, int x, int y) {
    const RECT area = plot_area(place);
    if (!in_plot(area, x, y) || area.right <= area.left || days_in_month < 1) return std::nullopt;
    const int day = 1 + (x - area.left) * days_in_month / (area.right - area.left);
    return std::min(day, days_in_month);
}

}  // namespace pelmora
