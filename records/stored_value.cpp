#include "records/stored_value.h"

#include <cctype>

#include "platform/failure.h"
#include "readings/number_text.h"

namespace pelmora {

namespace {

std::string lower_trimmed(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '\t') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

std::optional<std::int32_t> StoredInteger(const std::string& text) {
    try {
        const double value = RoundHalfEven(text, 0);
        if (value < -2147483648.0 || value > 2147483647.0) return std::nullopt;
        return static_cast<std::int32_t>(value);
    } catch (const Failure&) {
        return std::nullopt;
    }
}

std::optional<bool> StoredBoolean(const std::string& text) {
    const std::string word = lower_trimmed(text);
    if (word == "true") return true;
    if (word == "false") return false;
    try {
        return NumberFromText(text) != 0.0;
    } catch (const Failure&) {
        return std::nullopt;
    }
}

}  // namespace pelmora
