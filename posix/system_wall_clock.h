#pragma once

#include <ctime>

#include "platform/wall_clock.h"

namespace pelmora {

// The C library's clock.
class SystemWallClock : public WallClock {
public:
    std::int64_t EpochSeconds() const override { return static_cast<std::int64_t>(std::time(nullptr)); }
};

}  // namespace pelmora
