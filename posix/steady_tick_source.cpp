#include "posix/steady_tick_source.h"

#include <chrono>

namespace pelmora {

std::uint32_t SteadyTickSource::GetTickCount() {
    const auto since_boot = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since_boot).count());
}

}  // namespace pelmora
