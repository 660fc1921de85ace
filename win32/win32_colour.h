#pragma once

#include "platform/ole_colors.h"

namespace pelmora {

// The COLORREF of an OLE colour: one with the high bit set names a system
// colour, any other is a COLORREF already.
unsigned long ColourRefOf(OleColor colour);

}  // namespace pelmora
