#include "windows/tariff_page.h"

#include <windows.h>

#include "windows/page_controls.h"

namespace pelmora {

void TariffPage::Create(const PagePlace& place) {
    m_dialog = place.dialog;
    const TariffForm current = LoadTariffForm(m_services);
    const int bottom = place.area.height * 96 / place.dpi;
    const auto make = PageControlMaker(place, m_ids);
    const std::optional<Tariff> gateway = m_services.gateway ? m_services.gateway() : std::nullopt;
    make(kUseGateway, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, "Use the gateway's tariff", 8, 8, 0, 22);
    make(kGatewayTariff, L"STATIC", SS_LEFT | SS_NOPREFIX, GatewayTariffText(gateway), 28, 32, 0, 36);
    make(kUseTyped, L"BUTTON", WS_TABSTOP | BS_AUTORADIOBUTTON, "Use these prices", 8, 72, 0, 22);
    int y = 72;
    const auto row = [&](int label, const char* text, int id, const std::string& value) {
        y += 30;
        make(label, L"STATIC", SS_LEFT, text, 28, y + 3, 170, 20);
        make(id, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, value, 200, y, 360, 22);
    };
    row(kCurrencyLabel, "Currency (code or symbol)", kCurrency, current.currency);
    row(kBuyLabel, "Buying price a kWh", kBuy, current.buy);
    row(kSellLabel, "Selling price a kWh", kSell, current.sell);
    row(kWeekdaysLabel, "Weekday periods", kWeekdays, current.weekdays);
    row(kWeekendLabel, "Weekend periods", kWeekend, current.weekend);
    row(kFixedLabel, "Fixed charge a day", kFixed, current.fixed);
    make(kHint, L"STATIC", SS_LEFT | SS_NOPREFIX,
         "Periods: up to 8 starts of the day with their buying price, as 07:00=0.30, 22:00=0.20. Before a day's "
         "first period the day before's last one goes on; days without periods pay the buying price above.",
         8, y + 34, 0, 54);
    make(kMessage, L"STATIC", SS_LEFT | SS_NOPREFIX, "", 8, y + 94, 0, 40);
    make(kSave, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Save", 400, bottom - 36, 84, 26);
    make(kClose, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Close", 490, bottom - 36, 84, 26);
    SetPageControlChecked(m_dialog, current.use_gateway ? kUseGateway : kUseTyped, true);
}

void TariffPage::Show(bool shown) {
    for (const int id : m_ids) ShowPageControl(m_dialog, id, shown);
}

void TariffPage::Command(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == kSave) save();
    if (id == kClose && close) close();
}

void TariffPage::save() {
    const TariffForm form{PageControlChecked(m_dialog, kUseGateway), PageControlText(m_dialog, kCurrency),
                          PageControlText(m_dialog, kBuy),           PageControlText(m_dialog, kSell),
                          PageControlText(m_dialog, kWeekdays),      PageControlText(m_dialog, kWeekend),
                          PageControlText(m_dialog, kFixed)};
    SetPageControlText(m_dialog, kMessage, SaveTariffForm(m_services, form));
}

}  // namespace pelmora
