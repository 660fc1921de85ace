#pragma once

#include <string>

namespace pelmora {

// UTF-8 to the UTF-16 the wide Win32 calls take, and back; a byte sequence
// that is not UTF-8 becomes U+FFFD, never a failure. A text of more than
// INT_MAX units, which the calls cannot take, gives the empty text.
std::wstring Utf16(const std::string& text);
std::string Utf8(const std::wstring& text);

}  // namespace pelmora
