#pragma once

#include <algorithm>
#include <string>

namespace pelmora {

// `text` without the blanks, tabs and line ends at either end, as a field
// typed into a form is read.
inline std::string TrimmedText(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

}  // namespace pelmora
