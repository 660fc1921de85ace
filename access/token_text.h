#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// What a gateway access token says about itself, read from its payload
// without checking its signature.
struct TokenFacts {
    std::int64_t exp = 0;  // expiry, epoch seconds
    std::string role;      // "owner", "installer", ... or empty
    std::string serial;    // the gateway serial it was made for, or empty
};

struct TokenCheck {
    std::optional<TokenFacts> facts;  // set when the text is a usable token
    std::string error;                // why it is not, in words for the user
};

// Unpadded base64url of `bytes`, as the parts of a token are written.
std::string Base64UrlEncode(std::string_view bytes);

// The pasted text without leading and trailing blanks, tabs and line breaks.
std::string TrimToken(std::string_view text);

// A gateway's token is under 1 KiB; a longer text is none, and could not be
// kept where every store reads it back.
inline constexpr std::size_t kLongestToken = 8 * 1024;

// Reads a JWT: three base64url parts, the second a JSON object with a
// numeric "exp", at most kLongestToken bytes once trimmed. The role is "owner" or "installer", the text of whichever
// claim holds one of them; the serial comes from "serial", "serialNum" or
// "aud", whichever is present.
TokenCheck DecodeToken(std::string_view text);

// Whole days from `now` until `exp`, rounded down; 0 once expired.
std::int64_t DaysLeft(std::int64_t exp, std::int64_t now);

// The window caption with the token's state added once fewer than 30 days
// are left: "<base> - token expires in N days" (N whole days, "1 day", or
// "less than a day"), then "<base> - token expired".
std::string TokenCaption(const std::string& base, std::int64_t exp, std::int64_t now);

}  // namespace pelmora
