#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// One scalar member of a JSON object: its text (strings unescaped) and
// whether it was a number.
struct JsonScalar {
    std::string text;
    bool is_number = false;
    bool is_string = false;
};

// The scalar members of one flat JSON object; nested objects and arrays are
// checked for well-formedness and skipped. Nothing when the text is not one
// JSON object (trailing blanks allowed). Nesting deeper than 32 levels is
// refused rather than followed.
std::optional<std::map<std::string, JsonScalar>> ReadJsonObject(std::string_view text);

}  // namespace pelmora
