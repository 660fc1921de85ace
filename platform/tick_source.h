#pragma once

#include <cstdint>

namespace pelmora {

// A 32-bit millisecond count that rises steadily and wraps after about 49.7
// days; differences are taken in unsigned 32-bit arithmetic.
class TickSource {
public:
    virtual ~TickSource() = default;
    virtual std::uint32_t GetTickCount() = 0;
};

}  // namespace pelmora
