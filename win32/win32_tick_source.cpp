#include "win32/win32_tick_source.h"

#include <windows.h>

namespace pelmora {

std::uint32_t Win32TickSource::GetTickCount() { return static_cast<std::uint32_t>(::GetTickCount()); }

}  // namespace pelmora
