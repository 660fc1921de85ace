#include "win32/win32_colour.h"

#include <windows.h>

namespace pelmora {

unsigned long ColourRefOf(OleColor colour) {
    if ((colour & 0x80000000u) != 0) return GetSysColor(static_cast<int>(colour & 0xFFu));
    return static_cast<COLORREF>(colour & 0xFFFFFFu);
}

}  // namespace pelmora
