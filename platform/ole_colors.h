#pragma once

#include <cstdint>

namespace pelmora {

// OLE colour values, 0x00BBGGRR; 0x80000000 | n is system colour n.
using OleColor = std::uint32_t;

inline constexpr OleColor kExportGreen = 0x0000FF00;       // pure green: export
inline constexpr OleColor kImportLightRed = 0x008080FF;    // light red: import, and the sign marker of Grid
inline constexpr OleColor kWindowBackground = 0x80000005;  // system colour 5, the platform's base colour

}  // namespace pelmora
