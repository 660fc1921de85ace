#pragma once

#include <cstdint>
#include <functional>

#include "platform/controls_view.h"
#include "platform/regional_format.h"
#include "platform/window_timer.h"

namespace pelmora {

// The poll cycle: the timer tick runs one whole read, records the time of day
// in `MyTime`, then lets the window process its pending events once. Start
// and Stop switch the timer; `Delay` sets its interval when it loses focus.
class PollCycle {
public:
    using Read = std::function<void()>;

    PollCycle(ControlsView& view, WindowTimer& timer, EventPump& pump, const RegionalFormat& format, Read read);

    // A failure that escapes the read is caught here and counted; the program
    // goes on polling. The interval counts from each tick's start. Ticks that
    // fall due while one runs do not pile up: at most one waits, and it runs
    // as soon as the running tick has returned, unless polling was stopped.
    void Timer1_Timer();
    void Startbtn_Click();
    void Stopbtn_Click();
    // A text that does not round to a whole number from 1 to 2,147,483,647
    // keeps the interval in force, and the box shows that interval again.
    void Delay_LostFocus();

    std::uint64_t escaped_failures() const { return m_escaped; }
    std::uint64_t ticks() const { return m_ticks; }

private:
    ControlsView& m_view;
    WindowTimer& m_timer;
    EventPump& m_pump;
    const RegionalFormat& m_format;
    Read m_read;
    bool m_in_tick = false;
    bool m_waiting = false;
    std::uint64_t m_escaped = 0;
    std::uint64_t m_ticks = 0;
};

}  // namespace pelmora
