#include "site/tariff_form.h"

namespace pelmora {

namespace {

// Empty is 0; otherwise a price as PriceFromText takes it.
std::optional<double> price_or_zero(const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos) return 0.0;
    return PriceFromText(text);
}

bool plain_currency(const std::string& text) {
    if (text.size() > 8) return false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

}  // namespace

TariffForm LoadTariffForm(const TariffServices& services) {
    const TariffSettings s = LoadTariffSettings(services.settings, kSettingsApp);
    const std::optional<Tariff> gateway = services.gateway ? services.gateway() : std::nullopt;
    TariffForm form;
    form.use_gateway = s.source ? *s.source == TariffSource::Gateway : gateway && HasPrice(*gateway);
    form.currency = s.typed.currency;
    form.buy = PriceNumberText(s.typed.buy);
    form.sell = PriceNumberText(s.typed.sell);
    form.fixed = PriceNumberText(s.typed.fixed_per_day);
    form.weekdays = PeriodsText(TypedPeriods(s.typed, false));
    form.weekend = PeriodsText(TypedPeriods(s.typed, true));
    return form;
}

std::string SaveTariffForm(const TariffServices& services, const TariffForm& form) {
    const std::optional<double> buy = price_or_zero(form.buy);
    const std::optional<double> sell = price_or_zero(form.sell);
    const std::optional<double> fixed = price_or_zero(form.fixed);
    const std::optional<std::vector<TariffPeriod>> weekdays = PeriodsFromText(form.weekdays);
    const std::optional<std::vector<TariffPeriod>> weekend = PeriodsFromText(form.weekend);
    if (!plain_currency(form.currency)) return "The currency must be a code or a symbol of at most 8 characters.";
    if (!buy) return "The buying price must be a number from 0 to 100 a kWh.";
    if (!sell) return "The selling price must be a number from 0 to 100 a kWh.";
    if (!weekdays || !weekend)
        return "Periods are up to 8 of HH:MM=price, separated by commas, each start once, each price from 0 to 100.";
    if (!fixed) return "The fixed charge must be a number from 0 to 100 a day.";
    TariffSettings settings;
    settings.source = form.use_gateway ? TariffSource::Gateway : TariffSource::Typed;
    settings.typed = TypedTariff(form.currency, *buy, *sell, *fixed, *weekdays, *weekend);
    SaveTariffSettings(services.settings, kSettingsApp, settings);
    if (services.apply) services.apply(settings);
    const std::optional<Tariff> gateway = services.gateway ? services.gateway() : std::nullopt;
    if (form.use_gateway && !gateway)
        return "Saved. The gateway has told no tariff yet: no money is shown until it does.";
    return "Saved.";
}

std::string GatewayTariffText(const std::optional<Tariff>& tariff) {
    if (!tariff) return "The gateway has told no tariff.";
    std::string text = "The gateway's tariff: " + (tariff->currency.empty() ? std::string() : tariff->currency + ", ") +
                       PriceText(tariff->buy) + " to buy and " + PriceText(tariff->sell) + " to sell a kWh";
    if (!tariff->seasons.empty())
        text += ", with time-of-use periods in " + std::to_string(tariff->seasons.size()) +
                (tariff->seasons.size() == 1 ? " season" : " seasons");
    return text + ".";
}

}  // namespace pelmora
