#include "site/printable_text.h"

#include <cstdio>

namespace pelmora {

namespace {

void escape(std::string& out, unsigned char byte) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    out += hex;
}

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte < 0x20 || byte == 0x7f) {
            escape(out, byte);
        } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
            escape(out, next);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace pelmora
