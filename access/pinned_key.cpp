#include "access/pinned_key.h"

namespace pelmora {

namespace {

constexpr std::int64_t kRenewalWindow = std::int64_t{30} * 86400;

}  // namespace

PinVerdict JudgeCertificate(const std::optional<CertificateFacts>& pinned, const CertificateFacts& seen,
                            std::int64_t now) {
    if (!pinned || pinned->key_sha256.empty()) return PinVerdict::FirstUse;
    if (pinned->key_sha256 == seen.key_sha256) return PinVerdict::Same;
    if (!pinned->dates_known) return PinVerdict::Changed;
    const bool old_ending = pinned->not_after - now < kRenewalWindow;
    if (old_ending && seen.subject == pinned->subject && seen.not_before > pinned->not_before)
        return PinVerdict::Renewal;
    return PinVerdict::Changed;
}

std::string Fingerprint(const std::string& key_sha256_base64) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (char c : key_sha256_base64) {
        if (c == '=') break;
        const char* at = std::char_traits<char>::find(kAlphabet, 64, c);
        if (at == nullptr) return key_sha256_base64;
        buffer = (buffer << 6) | static_cast<std::uint32_t>(at - kAlphabet);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += ':';
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

}  // namespace pelmora
