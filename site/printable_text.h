#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// Text from the gateway made safe to print on a terminal or in a line of
// its own: C0 controls, DEL and the C1 controls (U+0080 to U+009F, as
// UTF-8) become "\xNN"; everything else passes unchanged.
std::string PrintableText(std::string_view text);

}  // namespace pelmora
