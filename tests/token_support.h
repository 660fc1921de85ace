#pragma once

#include <cstdint>
#include <string>

#include "access/token_text.h"

namespace pelmora::test {

inline std::string Base64Url(const std::string& bytes) { return Base64UrlEncode(bytes); }

// A token shaped like the gateway's owner tokens, with `payload` as its JSON.
inline std::string MakeToken(const std::string& payload) {
    return Base64Url(R"({"kid":"7d10","typ":"JWT","alg":"ES256"})") + "." + Base64Url(payload) + "." +
           Base64Url("not-a-real-signature");
}

inline std::string OwnerToken(std::int64_t exp) {
    return MakeToken(R"({"aud":"122233004455","iss":"tokens.example","kind":"owner","exp":)" + std::to_string(exp) +
                     R"(,"iat":1700000000,"jti":"5c1f","username":"owner@example.org"})");
}

}  // namespace pelmora::test
