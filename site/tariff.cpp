#include "site/tariff.h"

#include <algorithm>
#include <charconv>

#include "records/date_time.h"
#include "site/json_fields.h"
#include "site/side_document_limits.h"

namespace pelmora {

namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::optional<double> price(std::optional<double> value) {
    if (!value || *value < 0.0 || *value > kLargestPrice) return std::nullopt;
    return value;
}

// "6/1" as month and day; nothing for anything else.
std::optional<std::pair<int, int>> month_and_day(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    int month = 0;
    int day = 0;
    const auto whole = [](std::string_view part, int& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return !part.empty() && error == std::errc() && end == part.data() + part.size();
    };
    if (!whole(text.substr(0, slash), month) || !whole(text.substr(slash + 1), day) || month < 1 || month > 12 ||
        day < 1 || day > 31)
        return std::nullopt;
    return std::pair(month, day);
}

// "Mon,Tue,Wed" as weekdays; nothing for an unknown name or none.
std::optional<std::array<bool, 7>> weekdays(std::string_view text) {
    std::array<bool, 7> days{};
    bool any = false;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        std::string_view name = text.substr(0, comma);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        const auto at = std::find(kDayNames.begin(), kDayNames.end(), name);
        if (at == kDayNames.end()) return std::nullopt;
        days[static_cast<std::size_t>(at - kDayNames.begin())] = true;
        any = true;
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    if (!any) return std::nullopt;
    return days;
}

std::optional<TariffPeriod> period_of(const simdjson::dom::object& fields) {
    const std::optional<double> start = NumberField(fields, "start");
    const std::optional<double> buy = price(NumberField(fields, "rate"));
    if (!start || *start < 0 || *start > 1439 || *start != static_cast<int>(*start) || !buy) return std::nullopt;
    TariffPeriod period{static_cast<int>(*start), *buy, std::nullopt};
    if (fields["sell"].error() != simdjson::NO_SUCH_FIELD) {
        period.sell = price(NumberField(fields, "sell"));
        if (!period.sell) return std::nullopt;
    }
    return period;
}

std::optional<TariffDays> days_of(const simdjson::dom::object& fields) {
    std::string_view names;
    simdjson::dom::array periods;
    if (fields["days"].get(names) != simdjson::SUCCESS || fields["periods"].get(periods) != simdjson::SUCCESS ||
        periods.size() == 0 || periods.size() > kMostPeriods)
        return std::nullopt;
    TariffDays group;
    const std::optional<std::array<bool, 7>> days = weekdays(names);
    if (!days) return std::nullopt;
    group.weekdays = *days;
    for (const simdjson::dom::element element : periods) {
        simdjson::dom::object period;
        if (element.get(period) != simdjson::SUCCESS) return std::nullopt;
        const std::optional<TariffPeriod> taken = period_of(period);
        if (!taken) return std::nullopt;
        group.periods.push_back(*taken);
    }
    std::stable_sort(group.periods.begin(), group.periods.end(),
                     [](const TariffPeriod& a, const TariffPeriod& b) { return a.start < b.start; });
    return group;
}

std::optional<TariffSeason> season_of(const simdjson::dom::object& fields) {
    std::string_view start;
    simdjson::dom::array groups;
    if (fields["start"].get(start) != simdjson::SUCCESS || fields["days"].get(groups) != simdjson::SUCCESS ||
        groups.size() > kMostDayGroups)
        return std::nullopt;
    const std::optional<std::pair<int, int>> from = month_and_day(start);
    if (!from) return std::nullopt;
    TariffSeason season{from->first, from->second, {}};
    for (const simdjson::dom::element element : groups) {
        simdjson::dom::object group;
        if (element.get(group) != simdjson::SUCCESS) return std::nullopt;
        const std::optional<TariffDays> taken = days_of(group);
        if (!taken) return std::nullopt;
        season.days.push_back(*taken);
    }
    return season;
}

// The seasons of `seasons`, or nothing when one cannot be read.
std::optional<std::vector<TariffSeason>> seasons_of(const simdjson::dom::array& seasons) {
    if (seasons.size() > kMostSeasons) return std::nullopt;
    std::vector<TariffSeason> taken;
    for (const simdjson::dom::element element : seasons) {
        simdjson::dom::object season;
        if (element.get(season) != simdjson::SUCCESS) return std::nullopt;
        const std::optional<TariffSeason> one = season_of(season);
        if (!one) return std::nullopt;
        taken.push_back(*one);
    }
    std::stable_sort(taken.begin(), taken.end(), [](const TariffSeason& a, const TariffSeason& b) {
        return std::pair(a.month, a.day) < std::pair(b.month, b.day);
    });
    return taken;
}

// The day group of `weekday` in the season in force on `month`/`day`; none without seasons or such a group.
const TariffDays* group_on(const Tariff& tariff, int month, int day, int weekday) {
    if (tariff.seasons.empty()) return nullptr;
    const TariffSeason* season = &tariff.seasons.back();  // before the first start: the last, from last year
    for (const TariffSeason& s : tariff.seasons) {
        if (std::pair(s.month, s.day) <= std::pair(month, day)) season = &s;
    }
    for (const TariffDays& group : season->days) {
        if (group.weekdays[static_cast<std::size_t>(weekday)] && !group.periods.empty()) return &group;
    }
    return nullptr;
}

}  // namespace

std::optional<Tariff> ParseTariff(std::string_view text, AbsurdNotes& absurd) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::object tariff;
    simdjson::dom::object single;
    if (text.size() > kLargestSideDocument || parser.parse(text.data(), text.size()).get(root) != simdjson::SUCCESS ||
        root["tariff"].get(tariff) != simdjson::SUCCESS || tariff["single_rate"].get(single) != simdjson::SUCCESS)
        return std::nullopt;
    Tariff taken;
    const std::optional<double> buy =
        BoundedFigure(NumberField(single, "rate"), 0, kLargestPrice, "the tariff: a rate", absurd);
    const std::optional<double> sell =
        single["sell"].error() == simdjson::NO_SUCH_FIELD
            ? std::optional(0.0)
            : BoundedFigure(NumberField(single, "sell"), 0, kLargestPrice, "the tariff: a selling rate", absurd);
    if (!buy || !sell) return std::nullopt;
    taken.buy = *buy;
    taken.sell = *sell;
    simdjson::dom::object currency;
    if (tariff["currency"].get(currency) == simdjson::SUCCESS) taken.currency = TextField(currency, "code", 8);
    simdjson::dom::array seasons;
    if (tariff["seasons"].get(seasons) == simdjson::SUCCESS) {
        if (const std::optional<std::vector<TariffSeason>> read = seasons_of(seasons)) {
            taken.seasons = *read;
        } else {
            absurd.push_back("the tariff: seasons that cannot be read, so the single rates apply all year");
        }
    }
    return taken;
}

LocalMinute LocalMinuteOf(std::int64_t epoch, std::int32_t offset_seconds) {
    const std::int64_t local = epoch + offset_seconds;
    const std::int64_t days = (local >= 0 ? local : local - 86399) / 86400;
    LocalMinute at;
    CivilFromDays(days, at.year, at.month, at.day);
    at.weekday = static_cast<int>(((days + 3) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
    at.minute = static_cast<int>((local - days * 86400) / 60);
    return at;
}

Prices PricesAt(const Tariff& tariff, const LocalMinute& at) {
    const TariffPeriod* period = nullptr;
    if (const TariffDays* group = group_on(tariff, at.month, at.day, at.weekday)) {
        for (const TariffPeriod& p : group->periods) {
            if (p.start <= at.minute) period = &p;
        }
        if (period == nullptr) {
            int year = 0, month = 0, day = 0;
            CivilFromDays(DaysFromCivil(at.year, static_cast<unsigned>(at.month), static_cast<unsigned>(at.day)) - 1,
                          year, month, day);
            const TariffDays* before = group_on(tariff, month, day, (at.weekday + 6) % 7);
            if (before != nullptr) period = &before->periods.back();
        }
    }
    if (period == nullptr) return {tariff.buy, tariff.sell};
    return {period->buy, period->sell.value_or(tariff.sell)};
}

std::string PriceText(double price) {
    char text[48];
    const auto [end, error] = std::to_chars(text, text + sizeof text, price, std::chars_format::fixed, 5);
    std::string out(text, error == std::errc() ? end : text);
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    return out == "-0" ? "0" : out;
}

}  // namespace pelmora
