#include "gateway/poll_cycle.h"

#include <exception>

#include "platform/failure.h"
#include "readings/number_text.h"

namespace pelmora {

PollCycle::PollCycle(ControlsView& view, WindowTimer& timer, EventPump& pump, const RegionalFormat& format, Read read)
    : m_view(view), m_timer(timer), m_pump(pump), m_format(format), m_read(std::move(read)) {}

void PollCycle::Timer1_Timer() {
    if (m_in_tick) {
        m_waiting = true;
        return;
    }
    m_in_tick = true;
    m_waiting = false;
    ++m_ticks;
    m_timer.restart();
    try {
        m_read();
    } catch (...) {
        ++m_escaped;
    }
    try {
        m_view.set_text("MyTime", m_format.time_of_day_now());
    } catch (...) {
        ++m_escaped;
    }
    m_pump.process_pending_events();
    m_in_tick = false;
    if (m_waiting && m_timer.enabled()) m_timer.post_tick();
    m_waiting = false;
}

void PollCycle::Startbtn_Click() { m_timer.set_enabled(true); }

void PollCycle::Stopbtn_Click() { m_timer.set_enabled(false); }

void PollCycle::Delay_LostFocus() {
    try {
        const double milliseconds = RoundHalfEven(m_view.text("Delay"), 0);
        if (milliseconds >= 1.0 && milliseconds <= 2147483647.0) {
            m_timer.set_interval(static_cast<int>(milliseconds));
            return;
        }
    } catch (const Failure&) {
    }
    m_view.set_text("Delay", std::to_string(m_timer.interval()));
}

}  // namespace pelmora
