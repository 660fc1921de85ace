#pragma once

#include <cstdint>

namespace pelmora {

// A gateway-friendly pace: after consecutive failed reads the next read
// waits 2, 4, 8, ... up to 60 seconds from the last failure; the first good
// read ends the wait. Times are the tick count in milliseconds, compared by
// their difference, so a wrap of the count does no harm. Switched off, every
// tick may read.
class ReadPace {
public:
    static constexpr std::uint32_t kLongestWait = 60'000;

    void set_enabled(bool enabled) { m_enabled = enabled; }
    bool enabled() const { return m_enabled; }

    // The milliseconds left before the next read may go out; 0 when it may now.
    std::uint32_t waiting(std::uint32_t now) const;
    void After(bool failed, std::uint32_t now);
    // The failed reads since the last good one.
    int failures() const { return m_failures; }
    // The wait after `failures` consecutive failures.
    static std::uint32_t WaitAfter(int failures);

private:
    bool m_enabled = false;
    int m_failures = 0;
    std::uint32_t m_failed_at = 0;
};

}  // namespace pelmora
