#include "site/tariff_settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace pelmora {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// "07:00" as a minute of the day; nothing for anything else.
std::optional<int> start_of(std::string_view text) {
    const auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 5 || text[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) return std::nullopt;
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[3] - '0') * 10 + (text[4] - '0');
    if (hour > 23 || minute > 59) return std::nullopt;
    return hour * 60 + minute;
}

constexpr std::array<bool, 7> kWeekdays = {true, true, true, true, true, false, false};
constexpr std::array<bool, 7> kWeekend = {false, false, false, false, false, true, true};

}  // namespace

std::string PriceNumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::optional<double> PriceFromText(std::string_view text) {
    text = trimmed(text);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !(value >= 0.0) ||
        value > kLargestPrice)
        return std::nullopt;
    return value;
}

std::optional<std::vector<TariffPeriod>> PeriodsFromText(std::string_view text) {
    std::vector<TariffPeriod> periods;
    text = trimmed(text);
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = trimmed(text.substr(0, comma));
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::optional<int> start = start_of(trimmed(item.substr(0, equals)));
        const std::optional<double> price = PriceFromText(item.substr(equals + 1));
        if (!start || !price || periods.size() == kMostTypedPeriods) return std::nullopt;
        if (std::any_of(periods.begin(), periods.end(), [&](const TariffPeriod& p) { return p.start == *start; }))
            return std::nullopt;
        periods.push_back({*start, *price, std::nullopt});
        if (comma == std::string_view::npos) break;
        text = trimmed(text.substr(comma + 1));
        if (text.empty()) return std::nullopt;  // a trailing comma
    }
    std::sort(periods.begin(), periods.end(),
              [](const TariffPeriod& a, const TariffPeriod& b) { return a.start < b.start; });
    return periods;
}

std::string PeriodsText(const std::vector<TariffPeriod>& periods) {
    std::string text;
    for (const TariffPeriod& p : periods) {
        char start[8];
        std::snprintf(start, sizeof start, "%02d:%02d", p.start / 60 % 100, p.start % 60);
        text += (text.empty() ? "" : ", ") + std::string(start) + "=" + PriceNumberText(p.buy);
    }
    return text;
}

std::vector<TariffPeriod> TypedPeriods(const Tariff& tariff, bool weekend) {
    if (tariff.seasons.empty()) return {};
    for (const TariffDays& group : tariff.seasons.front().days) {
        if (group.weekdays == (weekend ? kWeekend : kWeekdays)) return group.periods;
    }
    return {};
}

Tariff TypedTariff(const std::string& currency, double buy, double sell, double fixed_per_day,
                   const std::vector<TariffPeriod>& weekdays, const std::vector<TariffPeriod>& weekend) {
    Tariff tariff{currency, buy, sell, {}, fixed_per_day};
    if (weekdays.empty() && weekend.empty()) return tariff;
    TariffSeason season;
    if (!weekdays.empty()) season.days.push_back({kWeekdays, weekdays});
    if (!weekend.empty()) season.days.push_back({kWeekend, weekend});
    tariff.seasons.push_back(std::move(season));
    return tariff;
}

TariffSettings LoadTariffSettings(SettingsStore& settings, const std::string& app) {
    const auto get = [&](const char* key) { return settings.GetSetting(app, kTariffSection, key, ""); };
    TariffSettings s;
    const std::string source = get("Source");
    if (source == "gateway") s.source = TariffSource::Gateway;
    if (source == "typed") s.source = TariffSource::Typed;
    const auto price = [&](const char* key) { return PriceFromText(get(key)).value_or(0.0); };
    const auto periods = [&](const char* key) {
        return PeriodsFromText(get(key)).value_or(std::vector<TariffPeriod>{});
    };
    std::string currency = get("Currency").substr(0, 8);
    s.typed = TypedTariff(currency, price("Buy"), price("Sell"), price("FixedPerDay"), periods("Weekdays"),
                          periods("Weekend"));
    return s;
}

void SaveTariffSettings(SettingsStore& settings, const std::string& app, const TariffSettings& s) {
    const auto put = [&](const char* key, const std::string& value) {
        settings.SaveSetting(app, kTariffSection, key, value);
    };
    if (s.source) put("Source", *s.source == TariffSource::Gateway ? "gateway" : "typed");
    put("Currency", s.typed.currency);
    put("Buy", PriceNumberText(s.typed.buy));
    put("Sell", PriceNumberText(s.typed.sell));
    put("FixedPerDay", PriceNumberText(s.typed.fixed_per_day));
    put("Weekdays", PeriodsText(TypedPeriods(s.typed, false)));
    put("Weekend", PeriodsText(TypedPeriods(s.typed, true)));
}

bool HasPrice(const Tariff& tariff) {
    if (tariff.buy > 0.0 || tariff.sell > 0.0 || tariff.fixed_per_day > 0.0) return true;
    for (const TariffSeason& season : tariff.seasons) {
        for (const TariffDays& group : season.days) {
            for (const TariffPeriod& p : group.periods) {
                if (p.buy > 0.0) return true;
            }
        }
    }
    return false;
}

std::optional<Tariff> TariffInForce(const TariffSettings& settings, const std::optional<Tariff>& gateway) {
    if (settings.source == TariffSource::Gateway) return gateway && HasPrice(*gateway) ? gateway : std::nullopt;
    if (settings.source == TariffSource::Typed)
        return HasPrice(settings.typed) ? std::optional(settings.typed) : std::nullopt;
    if (gateway && HasPrice(*gateway)) return gateway;
    if (HasPrice(settings.typed)) return settings.typed;
    return std::nullopt;
}

}  // namespace pelmora
