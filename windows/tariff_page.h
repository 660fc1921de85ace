#pragma once

#include <vector>

#include "site/tariff_form.h"
#include "windows/options_page.h"

namespace pelmora {

// The Options dialog's "Tariff" page: the gateway's tariff or prices typed
// here, with time-of-use periods for weekdays and the weekend and a fixed
// charge a day. Save keeps them in [Tariff] and puts them in force.
class TariffPage : public OptionsPage {
public:
    enum Id : int {
        kUseGateway = 700,
        kGatewayTariff,
        kUseTyped,
        kCurrencyLabel,
        kCurrency,
        kBuyLabel,
        kBuy,
        kSellLabel,
        kSell,
        kWeekdaysLabel,
        kWeekdays,
        kWeekendLabel,
        kWeekend,
        kFixedLabel,
        kFixed,
        kHint,
        kMessage,
        kSave,
        kClose,
    };

    explicit TariffPage(TariffServices services) : m_services(std::move(services)) {}

    std::string title() const override { return "Tariff"; }
    void Create(const PagePlace& place) override;
    void Show(bool shown) override;
    void Command(int id, int code) override;
    std::optional<unsigned long> TextColour(int) const override { return std::nullopt; }
    void Tick() override {}

private:
    void save();

    TariffServices m_services;
    Hwnd m_dialog = 0;
    std::vector<int> m_ids;
};

}  // namespace pelmora
