#pragma once

#include "platform/wall_clock.h"

namespace pelmora {

// A clock that says what it is set to.
class FixedWallClock : public WallClock {
public:
    explicit FixedWallClock(std::int64_t now) : m_now(now) {}
    std::int64_t EpochSeconds() const override { return m_now; }
    void set(std::int64_t now) { m_now = now; }

private:
    std::int64_t m_now;
};

}  // namespace pelmora
