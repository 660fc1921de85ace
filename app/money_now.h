#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "history/history.h"
#include "platform/local_calendar.h"
#include "platform/wall_clock.h"
#include "publish/mqtt_messages.h"
#include "site/tariff.h"

namespace pelmora {

// The prices in force now and today's money so far, as the state message
// carries them; nothing without a tariff. Today's money is worked out
// again once a minute, or when the tariff changes.
class MoneyNow {
public:
    MoneyNow(History& history, const LocalCalendar& calendar, const WallClock& clock,
             std::function<std::optional<Tariff>()> tariff)
        : m_history(history), m_calendar(calendar), m_clock(clock), m_tariff(std::move(tariff)) {}

    std::optional<MoneyFields> operator()();

private:
    History& m_history;
    const LocalCalendar& m_calendar;
    const WallClock& m_clock;
    std::function<std::optional<Tariff>()> m_tariff;
    std::optional<Tariff> m_counted_with;  // the tariff of m_today
    std::int64_t m_counted_minute = -1;
    MoneyFields m_today;
};

}  // namespace pelmora
