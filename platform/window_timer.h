#pragma once

namespace pelmora {

// The window's poll timer: enabled or not, and its interval in milliseconds.
class WindowTimer {
public:
    virtual ~WindowTimer() = default;
    virtual bool enabled() const = 0;
    virtual void set_enabled(bool enabled) = 0;
    virtual int interval() const = 0;
    virtual void set_interval(int milliseconds) = 0;
    // Counts the interval afresh from now; a stopped timer stays stopped.
    virtual void restart() = 0;
    // One tick as soon as the window's event loop is back, if the timer is
    // still enabled then.
    virtual void post_tick() = 0;
};

// Lets the window process its pending events once, from inside a handler.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void process_pending_events() = 0;
};

}  // namespace pelmora
