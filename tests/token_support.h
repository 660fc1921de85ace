#pragma once

#include <cstdint>
#include <string>

namespace pelmora::test {

inline std::string Base64Url(const std::string& bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (unsigned char c : bytes) {
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
