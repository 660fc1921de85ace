#pragma once

#include <QColor>

#include "platform/ole_colors.h"

namespace pelmora {

// A colour of the window's palette (0x00BBGGRR) as Qt takes it.
inline QColor QtColour(OleColor colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

}  // namespace pelmora
