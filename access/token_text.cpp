#include "access/token_text.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "access/json_fields.h"

namespace pelmora {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kWarnDays = 30;

int base64url_value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-') return 62;
    if (c == '_') return 63;
    return -1;
}

// Decodes unpadded base64url ("=" padding is tolerated at the end).
std::optional<std::string> base64url_decode(std::string_view text) {
    while (!text.empty() && text.back() == '=') text.remove_suffix(1);
    if (text.size() % 4 == 1) return std::nullopt;
    std::string out;
    out.reserve(text.size() * 3 / 4);
    std::uint32_t buffer = 0;
    int bits = 0;
    for (char c : text) {
        const int v = base64url_value(c);
        if (v < 0) return std::nullopt;
        buffer = (buffer << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

std::optional<std::int64_t> whole_seconds(const std::string& number) {
    std::int64_t value = 0;
    const char* end = number.data() + number.size();
    auto [ptr, ec] = std::from_chars(number.data(), end, value);
    if (ec == std::errc() && ptr == end) return value;
    double d = 0;
    auto [dptr, dec] = std::from_chars(number.data(), end, d);
    if (dec != std::errc() || dptr != end || !std::isfinite(d) || std::fabs(d) > 9.2e18) return std::nullopt;
    return static_cast<std::int64_t>(std::floor(d));
}

std::string first_text(const std::map<std::string, JsonScalar>& members, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        auto it = members.find(key);
        if (it != members.end() && !it->second.text.empty() && (it->second.is_string || it->second.is_number))
            return it->second.text;
    }
    return std::string();
}

}  // namespace

std::string Base64UrlEncode(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    out.reserve((bytes.size() * 4 + 2) / 3);
    std::uint32_t buffer = 0;
    int bits = 0;
    for (const unsigned char c : bytes) {
        buffer = (buffer << 8) | c;
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            out += kAlphabet[(buffer >> bits) & 0x3F];
        }
    }
    if (bits > 0) out += kAlphabet[(buffer << (6 - bits)) & 0x3F];
    return out;
}

std::string TrimToken(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

TokenCheck DecodeToken(std::string_view text) {
    const std::string token = TrimToken(text);
    TokenCheck check;
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = token.find('.', start);
        parts.emplace_back(std::string_view(token).substr(start, dot == std::string::npos ? dot : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (token.empty()) {
        check.error = "The token is empty.";
        return check;
    }
    if (token.size() > kLongestToken) {
        check.error = "This is not a gateway token: it is longer than 8 KiB.";
        return check;
    }
    if (parts.size() != 3 || parts[0].empty() || parts[1].empty() || parts[2].empty()) {
        check.error = "This is not a gateway token: a token is three parts joined by dots.";
        return check;
    }
    for (std::string_view part : parts) {
        if (!base64url_decode(part)) {
            check.error = "This is not a gateway token: it holds characters a token never has.";
            return check;
        }
    }
    const std::optional<std::string> payload = base64url_decode(parts[1]);
    const auto members = ReadJsonObject(*payload);
    if (!members) {
        check.error = "This is not a gateway token: its middle part is not readable.";
        return check;
    }
    auto exp = members->find("exp");
    std::optional<std::int64_t> seconds;
    if (exp != members->end() && exp->second.is_number) seconds = whole_seconds(exp->second.text);
    if (!seconds) {
        check.error = "This token has no expiry date (\"exp\"); it is not a gateway token.";
        return check;
    }
    TokenFacts facts;
    facts.exp = *seconds;
    // The role is a value, whichever claim carries it.
    for (const auto& [key, value] : *members) {
        if (value.is_string && (value.text == "owner" || value.text == "installer")) {
            facts.role = value.text;
            break;
        }
    }
    facts.serial = first_text(*members, {"serial", "serialNum", "aud"});
    check.facts = facts;
    return check;
}

std::int64_t DaysLeft(std::int64_t exp, std::int64_t now) { return exp <= now ? 0 : (exp - now) / kSecondsPerDay; }

std::string TokenCaption(const std::string& base, std::int64_t exp, std::int64_t now) {
    if (exp <= now) return base + " - token expired";
    if (exp - now >= kWarnDays * kSecondsPerDay) return base;
    const std::int64_t days = DaysLeft(exp, now);
    if (days == 0) return base + " - token expires in less than a day";
    return base + " - token expires in " + std::to_string(days) + (days == 1 ? " day" : " days");
}

}  // namespace pelmora
