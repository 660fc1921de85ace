#pragma once

#include <simdjson.h>

#include <optional>
#include <string>
#include <string_view>

#include "site/printable_text.h"

namespace pelmora {

// A field's number, whatever JSON number form it was written in; nothing
// when it is missing, not a number, or not finite.
inline std::optional<double> NumberField(const simdjson::dom::object& fields, std::string_view key) {
    double value = 0.0;
    if (fields[key].get(value) != simdjson::SUCCESS || !(value - value == 0.0)) return std::nullopt;
    return value;
}

// A field's text made printable, at most `longest` bytes of it; "" when it
// is missing or not a string.
inline std::string TextField(const simdjson::dom::object& fields, std::string_view key, std::size_t longest = 64) {
    std::string_view value;
    if (fields[key].get(value) != simdjson::SUCCESS) return {};
    return PrintableText(value.substr(0, longest));
}

}  // namespace pelmora
