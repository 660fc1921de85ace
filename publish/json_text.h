#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// `text` as a JSON string, quotes included; control characters, quotes and
// backslashes escaped, other bytes passed through.
std::string JsonString(std::string_view text);

// `value` as a JSON number in its shortest exact form (3785, 3784.9, -0.5);
// a value that is not finite gives 0, which JSON cannot otherwise carry.
std::string JsonNumber(double value);

}  // namespace pelmora
