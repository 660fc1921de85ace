#include "gateway/url_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace pelmora {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void append_replacement(std::string& out) { out += "\xEF\xBF\xBD"; }

}  // namespace

std::string SanitizeUtf8(const std::string& in) {
    std::string out;
    out.reserve(in.size());
    const auto* s = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        std::size_t len = 0;
        std::uint32_t min = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            min = 0x10000;
        }
        bool valid = len > 0 && i + len <= n;
        std::uint32_t cp = len > 0 ? (c & (0x7F >> len)) : 0;
        for (std::size_t k = 1; valid && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                valid = false;
            } else {
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
        }
        if (valid && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (valid) {
            out.append(in, i, len);
            i += len;
        } else {
            append_replacement(out);
            ++i;
        }
    }
    return out;
}

std::string CharsetOf(const std::string& content_type) {
    const std::string type = lower(content_type);
    std::size_t at = type.find("charset=");
    if (at == std::string::npos) return "";
    std::string value = type.substr(at + 8);
    value = value.substr(0, value.find(';'));
    value.erase(std::remove_if(value.begin(), value.end(), [](char c) { return c == '"' || c == '\'' || c == ' '; }),
                value.end());
    return value;
}

bool IsSendableUrl(const std::string& url) { return IsSendableUrl(url, "http://"); }

bool IsSendableUrl(const std::string& url, std::string_view scheme) {
    for (unsigned char c : url) {
        if (c <= 0x20 || c == 0x7F) return false;
    }
    if (url.size() < scheme.size() || lower(url.substr(0, scheme.size())) != scheme) return false;
    const std::string rest = url.substr(scheme.size());
    const std::string authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.find('@') != std::string::npos) return false;
    if (authority.empty() || authority.front() == ':') return false;
    return true;
}

std::string SessionCookieOf(std::string_view set_cookie) {
    while (!set_cookie.empty() && set_cookie.front() == ' ') set_cookie.remove_prefix(1);
    constexpr std::string_view kName = "sessionId=";
    if (set_cookie.substr(0, kName.size()) != kName) return std::string();
    set_cookie.remove_prefix(kName.size());
    set_cookie = set_cookie.substr(0, set_cookie.find(';'));
    while (!set_cookie.empty() && (set_cookie.back() == '\n' || set_cookie.back() == '\r' || set_cookie.back() == ' ' ||
                                   set_cookie.back() == '\t'))
        set_cookie.remove_suffix(1);
    return std::string(set_cookie);
}

}  // namespace pelmora
