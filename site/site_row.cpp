#include "site/site_row.h"

#include <initializer_list>

#include "readings/number_text.h"
#include "site/equipment_text.h"

namespace pelmora {

namespace {

void blank_beyond(const SiteReading& site, MeterType type, std::initializer_list<const char*> boxes,
                  std::vector<std::string>& blank) {
    if (site.find(type) == nullptr) return;
    int phase = 0;
    for (const char* box : boxes) {
        if (++phase > ShownPhases(&site, type)) blank.emplace_back(box);
    }
}

}  // namespace

SiteRow SiteRowOf(const SiteReading* site) {
    SiteRow row;
    if (site == nullptr) return row;
    if (site->has_more()) {
        const MeterType second = SecondMeterType(*site);
        blank_beyond(*site, MeterType::Production, {"S1", "S2", "S3"}, row.blank);
        blank_beyond(*site, second, {"G1", "G2", "G3"}, row.blank);
        blank_beyond(*site, second, {"A1", "A2", "A3"}, row.blank);
    }
    if (!site->battery_w) return row;
    const double power = *site->battery_w;
    row.battery = true;
    row.battery_text = FormatTenths(power);
    row.battery_colour = power < 0 ? kBatteryCharging : power > 0 ? kBatteryDischarging : kWindowBackground;
    row.battery_tooltip = power < 0 ? "Battery charging" : power > 0 ? "Battery discharging" : "Battery idle";
    row.house_load_text = site->load_w ? FormatTenths(*site->load_w) : std::string();
    row.house_load_tooltip = site->meters_disagree
                                 ? "House load without the battery: below zero, the meters are placed otherwise than "
                                   "production + net + storage assumes"
                                 : "House load without the battery: consumption + battery";
    return row;
}

SiteRow WithCharge(SiteRow row, const std::optional<BatteryState>& battery) {
    if (!battery || !battery->charge) return row;
    if (!row.battery) {
        row.battery = true;
        row.battery_text.clear();
        row.house_load_text.clear();
    }
    row.charge_text = ChargeText(*battery->charge);
    row.charge_tooltip = BatteryTooltip(*battery);
    return row;
}

std::optional<bool> ListedConsumptionMode(const SiteReading& site) {
    if (site.find(MeterType::NetConsumption) != nullptr) return false;
    if (site.find(MeterType::TotalConsumption) != nullptr) return true;
    return std::nullopt;
}

std::string MisfitCaption(bool misfits, bool consumption_mode) {
    if (!misfits) return "";
    return consumption_mode ? " - second meter: start Pelmora" : " - second meter: start PelmoraB";
}

}  // namespace pelmora
