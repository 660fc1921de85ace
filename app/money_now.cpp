#include "app/money_now.h"

#include <cstdio>

#include "history/day_money.h"

namespace pelmora {

namespace {

// "2026-12-10T00:00:00+01:00": the local midnight that began `moment`'s day.
std::string midnight_of(const LocalCalendar& calendar, std::int64_t now, const LocalMoment& moment) {
    const std::int64_t since = moment.civil.hour * 3600 + moment.civil.minute * 60 + moment.civil.second;
    const std::int32_t offset = calendar.ToLocal(now - since).offset_seconds;
    const std::int32_t size = offset < 0 ? -offset : offset;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT00:00:00%c%02d:%02d", moment.civil.year, moment.civil.month,
                  moment.civil.day, offset < 0 ? '-' : '+', size / 3600, size / 60 % 60);
    return text;
}

}  // namespace

std::optional<MoneyFields> MoneyNow::operator()() {
    const std::optional<Tariff> tariff = m_tariff ? m_tariff() : std::nullopt;
    if (!tariff) return std::nullopt;
    const std::int64_t now = m_clock.EpochSeconds();
    const LocalMoment local = m_calendar.ToLocal(now);
    if (now / 60 != m_counted_minute || m_counted_with != tariff) {
        const std::vector<MinuteRecord> minutes = m_history.Day(m_history.Today()).minutes;
        const Money money = DayMoney(minutes, *tariff);
        const Energy energy = DayEnergy(minutes);
        m_today = MoneyFields{};
        m_today.bought = money.bought;
        m_today.sold = money.sold;
        m_today.net = money.net();
        m_today.savings = money.savings;
        m_today.self_sufficiency = SelfSufficiency(energy) * 100.0;
        m_today.self_consumption = energy.produced_wh > 0.0 ? energy.self_consumption() * 100.0 : 0.0;
        m_counted_minute = now / 60;
        m_counted_with = tariff;
    }
    MoneyFields fields = m_today;
    const Prices prices = PricesAt(*tariff, LocalMinuteOf(now, local.offset_seconds));
    fields.price_buy = prices.buy;
    fields.price_sell = prices.sell;
    fields.currency = tariff->currency;
    fields.last_reset = midnight_of(m_calendar, now, local);
    return fields;
}

}  // namespace pelmora
