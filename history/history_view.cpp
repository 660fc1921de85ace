#include "history/history_view.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "history/day_file.h"
#include "history/energy.h"
#include "readings/number_text.h"

namespace pelmora {

namespace {

std::string tenths(double value) { return FixedText(value, 1); }

std::string joined_problem(std::string first, const std::string& second) {
    if (!second.empty()) first += (first.empty() ? "" : "\n") + second;
    return first;
}

std::string since_text(const std::vector<MinuteRecord>& minutes) {
    const std::string since = CountedSince(minutes);
    return since.empty() ? "" : " since " + since;
}

bool is_month(const std::string& text) {
    return text.size() == 7 && text[4] == '-' &&
           std::all_of(text.begin(), text.end(), [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
}

}  // namespace

std::vector<RangeChoice> RangeChoices(const std::vector<std::string>& days, const std::string& today) {
    std::vector<RangeChoice> choices{{"Last hour", "hour"}, {"Today", "today"}};
    std::string month;
    const std::vector<std::string> newest_first(days.rbegin(), days.rend());
    std::string year;
    for (const std::string& day : newest_first) {
        if (day.substr(0, 4) != year) {
            year = day.substr(0, 4);
            choices.push_back({"Year " + year, year});
        }
        if (day.substr(0, 7) != month) {
            month = day.substr(0, 7);
            choices.push_back({MonthTitle(month), month});
        }
        if (day != today) choices.push_back({day, day});
    }
    return choices;
}

std::string MonthTitle(const std::string& month) {
    static constexpr std::array<const char*, 12> kNames{"January",   "February", "March",    "April",
                                                        "May",       "June",     "July",     "August",
                                                        "September", "October",  "November", "December"};
    if (!is_month(month)) return month;
    const int number = std::stoi(month.substr(5, 2));
    if (number < 1 || number > 12) return month;
    return std::string(kNames[static_cast<std::size_t>(number - 1)]) + " " + month.substr(0, 4);
}

namespace {

// The energy alone, as before money was counted.
std::string energy_words(const Energy& e) {
    const double share = std::round(e.self_consumption() * 100.0);
    return "Produced " + tenths(e.produced_wh / 1000.0) + " kWh   Consumed " + tenths(e.consumed_wh / 1000.0) +
           " kWh   Imported " + tenths(e.imported_wh / 1000.0) + " kWh   Exported " + tenths(e.exported_wh / 1000.0) +
           " kWh   Self-consumption " + std::to_string(static_cast<int>(share)) + " %" +
           (e.battery ? "   Charged " + tenths(e.charged_wh / 1000.0) + " kWh   Discharged " +
                            tenths(e.discharged_wh / 1000.0) + " kWh"
                      : std::string());
}

}  // namespace

std::string EnergyText(const Energy& e, const std::optional<Money>& money, const std::string& currency) {
    std::string text = energy_words(e) + "   Self-sufficiency " + FormatTenths(SelfSufficiency(e) * 100.0) + " %";
    return money ? text + "   " + MoneyHeading(*money, currency) : text;
}

std::vector<std::vector<ChartPoint>> Segments(const std::vector<ChartPoint>& points) {
    std::vector<std::vector<ChartPoint>> parts;
    for (const ChartPoint& p : points) {
        if (parts.empty() || p.epoch - parts.back().back().epoch > kLongestBridge) parts.emplace_back();
        parts.back().push_back(p);
    }
    return parts;
}

namespace {

// The money of a day's minutes at the tariff in force, where there is one.
void priced(RangeView& view, const History& history, const std::vector<MinuteRecord>& minutes) {
    const std::optional<Tariff> tariff = history.tariff();
    if (!tariff) return;
    view.money = DayMoney(minutes, *tariff);
    view.currency = tariff->currency;
}

}  // namespace

std::string ColumnCurrency(const std::string& currency) {
    std::string unit;
    for (const char c : currency) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) return "";
        unit += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return unit.empty() ? "" : "_" + unit;
}

RangeView HourView(History& history) {
    RangeView view;
    const Sample* newest = history.ring().newest();
    if (newest != nullptr) {
        for (const Sample& s : history.ring().Since(newest->epoch - 3600))
            view.points.push_back({s.epoch, s.production_w, s.consumption_w, s.grid_w, s.battery_w, s.charge});
    }
    const LoadedDay today = history.Day(history.Today());
    const std::string title = history.Today().empty() ? "Today" : "Today (" + history.Today() + ")";
    view.energy = DayEnergy(today.minutes);
    priced(view, history, today.minutes);
    view.totals = title + since_text(today.minutes) + ":   " + EnergyText(view.energy, view.money, view.currency);
    view.problem = joined_problem(history.Problem(), today.problem);
    return view;
}

RangeView DayView(History& history, const std::string& day) {
    RangeView view;
    const LoadedDay loaded = history.Day(day);
    for (const MinuteRecord& m : loaded.minutes)
        view.points.push_back({m.start, m.production_w, m.consumption_w, m.grid_w, m.battery_w, m.charge});
    view.energy = DayEnergy(loaded.minutes);
    priced(view, history, loaded.minutes);
    view.totals = day + since_text(loaded.minutes) + ":   " + EnergyText(view.energy, view.money, view.currency);
    // A past day without counters says how much of it its lines cover, where not all of it.
    const bool counted = std::any_of(loaded.minutes.begin(), loaded.minutes.end(), HasCounters);
    if (const std::string covers = CoverageText(loaded.minutes); !covers.empty() && !counted && day != history.Today())
        view.totals += "   (" + covers + ")";
    view.problem = joined_problem(history.Problem(), loaded.problem);
    return view;
}

RangeView MonthView(History& history, const std::string& month) {
    const bool year = month.size() == 4;
    RangeView view;
    view.month = year ? history.Year(month) : history.Month(month);
    view.problem = history.Problem();
    const std::optional<Tariff> tariff = history.tariff();
    if (tariff) {
        view.money.emplace();
        view.currency = tariff->currency;
    }
    for (const DayTotal& d : view.month) {
        view.energy += d.energy;
        if (view.money && d.money) *view.money += *d.money;
        view.problem = joined_problem(view.problem, d.problem);
    }
    view.totals = (year ? month : MonthTitle(month)) + ":   " + EnergyText(view.energy, view.money, view.currency);
    return view;
}

std::string RangeCsv(History& history, const std::string& range, const RangeView& view,
                     const std::function<std::string(std::int64_t)>& local_time) {
    std::string text;
    if (range.size() == 7 || range.size() == 4) {
        text = std::string(range.size() == 4 ? "month" : "day") +
               ",produced_kwh,consumed_kwh,imported_kwh,exported_kwh,charged_kwh,discharged_kwh,since";
        // With a tariff, the money follows, its columns named with the currency ("bought_usd").
        const std::string unit = ColumnCurrency(view.currency);
        if (view.money)
            text += ",self_sufficiency_pct,bought" + unit + ",sold" + unit + ",net" + unit + ",savings" + unit;
        text += "\n";
        for (const DayTotal& d : view.month) {
            text += d.day;
            for (const double wh : {d.energy.produced_wh, d.energy.consumed_wh, d.energy.imported_wh,
                                    d.energy.exported_wh, d.energy.charged_wh, d.energy.discharged_wh})
                text += "," + FixedText(wh / 1000.0, 3);
            text += "," + d.since;
            if (view.money) {
                const Money money = d.money.value_or(Money{});
                text += "," + FixedText(SelfSufficiency(d.energy) * 100.0, 1);
                for (const double amount : {money.bought, money.sold, money.net(), money.savings})
                    text += "," + AmountText(amount);
            }
            text += "\n";
        }
        return text;
    }
    if (range == "hour") {
        text = "time,production_w,consumption_w,grid_w\n";
        for (const ChartPoint& p : view.points)
            text += local_time(p.epoch) + "," + tenths(p.production_w) + "," + tenths(p.consumption_w) + "," +
                    tenths(p.grid_w) + "\n";
        return text;
    }
    const std::vector<MinuteRecord> minutes = history.Day(range == "today" ? history.Today() : range).minutes;
    const bool battery =
        std::any_of(minutes.begin(), minutes.end(), [](const MinuteRecord& m) { return m.battery_w.has_value(); });
    text = DayFileHeader(battery, std::any_of(minutes.begin(), minutes.end(), HasCounters),
                         std::any_of(minutes.begin(), minutes.end(), [](const MinuteRecord& m) { return m.charge; }));
    for (const MinuteRecord& m : minutes) text += MinuteLine(m);
    return text;
}

std::string PointTip(const ChartPoint& point, const std::string& clock) {
    std::string text = clock + "\nProduction " + FixedText(point.production_w, 1) + " W\nConsumption " +
                       FixedText(point.consumption_w, 1) + " W\nGrid " + FixedText(point.grid_w, 1) + " W";
    if (point.battery_w) text += "\nBattery " + FixedText(*point.battery_w, 1) + " W";
    if (point.charge) text += "\nCharge " + FixedText(*point.charge, 0) + " %";
    return text;
}

std::string DayTip(const DayTotal& day, const std::string& currency) {
    const std::string since = day.since.empty() ? "" : " since " + day.since;
    return (day.day.size() == 7 ? MonthTitle(day.day) : day.day) + since + "\n" +
           EnergyText(day.energy, day.money, currency);
}

}  // namespace pelmora
