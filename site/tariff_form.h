#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/settings_store.h"
#include "site/tariff_settings.h"

namespace pelmora {

// What the Tariff page works with.
struct TariffServices {
    SettingsStore& settings;
    // The tariff the gateway last told, nothing before it did.
    std::function<std::optional<Tariff>()> gateway;
    // Puts saved settings in force.
    std::function<void(const TariffSettings&)> apply;
};

// What the Tariff page's fields hold, as typed.
struct TariffForm {
    bool use_gateway = false;  // "Use the gateway's tariff", else "Use these prices"
    std::string currency;
    std::string buy;
    std::string sell;
    std::string weekdays;  // "07:00=0.30, 22:00=0.20"
    std::string weekend;
    std::string fixed;  // a charge per day
};

// The fields as [Tariff] has them; without a choice kept, the gateway's
// tariff is chosen where it has a price above 0.
TariffForm LoadTariffForm(const TariffServices& services);

// Checks the fields, keeps [Tariff] and puts it in force; nothing is kept
// when a field is wrong. What the page then says: "Saved." or the reason.
// An empty selling price or fixed charge is 0.
std::string SaveTariffForm(const TariffServices& services, const TariffForm& form);

// What the page says of the gateway's tariff: "The gateway's tariff: USD,
// 0.36445 to buy and 0 to sell a kWh, with time-of-use periods in 2 seasons."
std::string GatewayTariffText(const std::optional<Tariff>& tariff);

}  // namespace pelmora
