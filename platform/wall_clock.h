#pragma once

#include <cstdint>
#include <ctime>

namespace pelmora {

// The calendar time, in whole epoch seconds.
class WallClock {
public:
    virtual ~WallClock() = default;
    virtual std::int64_t EpochSeconds() const = 0;
};

class SystemWallClock : public WallClock {
public:
    std::int64_t EpochSeconds() const override { return static_cast<std::int64_t>(std::time(nullptr)); }
};

class FixedWallClock : public WallClock {
public:
    explicit FixedWallClock(std::int64_t now) : m_now(now) {}
    std::int64_t EpochSeconds() const override { return m_now; }
    void set(std::int64_t now) { m_now = now; }

private:
    std::int64_t m_now;
};

}  // namespace pelmora
