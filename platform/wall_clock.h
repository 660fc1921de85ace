#pragma once

#include <cstdint>

namespace pelmora {

// The calendar time, in whole epoch seconds.
class WallClock {
public:
    virtual ~WallClock() = default;
    virtual std::int64_t EpochSeconds() const = 0;
};

}  // namespace pelmora
