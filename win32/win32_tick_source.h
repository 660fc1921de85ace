#pragma once

#include "platform/tick_source.h"

namespace pelmora {

// The system's millisecond count since start, as GetTickCount gives it.
class Win32TickSource : public TickSource {
public:
    std::uint32_t GetTickCount() override;
};

}  // namespace pelmora
