#pragma once

#include "platform/tick_source.h"

namespace pelmora {

// Milliseconds of the monotonic clock.
class SteadyTickSource : public TickSource {
public:
    std::uint32_t GetTickCount() override;
};

}  // namespace pelmora
