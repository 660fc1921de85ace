#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// Whether a gateway request would be sent for this URL at all: no blank or
// control character, the scheme ("http://" unless said), a host, and no
// user information before it.
bool IsSendableUrl(const std::string& url);
bool IsSendableUrl(const std::string& url, std::string_view scheme);

// Valid UTF-8 copied, each byte that starts no valid sequence replaced by U+FFFD.
std::string SanitizeUtf8(const std::string& in);

// The value of a "sessionId" cookie that one Set-Cookie header's value sets,
// as it came up to its first ";" without trailing blanks; "" for any other cookie.
std::string SessionCookieOf(std::string_view set_cookie);

// The charset a Content-Type names, in lower case without quotes; "" for none.
std::string CharsetOf(const std::string& content_type);

}  // namespace pelmora
