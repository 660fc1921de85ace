#pragma once

#include <string>

namespace pelmora {

// Whether Windows takes the last part of `path` (after "\" or "/") for a
// device rather than a file: CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to
// LPT9 (also with the superscript digits 1 to 3), CONIN$ and CONOUT$, in any
// case, with any extension and with blanks or dots after the name. Writing
// to such a name would write to a port or the console, in any folder.
bool IsDeviceName(const std::string& path);

}  // namespace pelmora
