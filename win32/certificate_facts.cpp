#include "win32/certificate_facts.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
// clang-format on

#include <string>
#include <vector>

#include "win32/utf16.h"

namespace pelmora {

namespace {

std::optional<std::vector<unsigned char>> Sha256(const BYTE* data, DWORD size) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return std::nullopt;
    std::vector<unsigned char> digest(32);
    BCRYPT_HASH_HANDLE hash = nullptr;
    const bool done = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
                      BCryptHashData(hash, const_cast<PUCHAR>(data), size, 0) == 0 &&
                      BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) == 0;
    if (hash != nullptr) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!done) return std::nullopt;
    return digest;
}

std::optional<std::string> Base64(const std::vector<unsigned char>& bytes) {
    DWORD size = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    const DWORD count = static_cast<DWORD>(bytes.size());
    if (!CryptBinaryToStringA(bytes.data(), count, flags, nullptr, &size)) return std::nullopt;
    std::string text(size, '\0');
    if (!CryptBinaryToStringA(bytes.data(), count, flags, text.data(), &size)) return std::nullopt;
    text.resize(size);
    while (!text.empty() && (text.back() == '\0' || text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

std::optional<std::string> KeySha256(const CERT_CONTEXT* certificate) {
    BYTE* spki = nullptr;
    DWORD size = 0;
    if (!CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &certificate->pCertInfo->SubjectPublicKeyInfo,
                             CRYPT_ENCODE_ALLOC_FLAG, nullptr, &spki, &size))
        return std::nullopt;
    const auto digest = Sha256(spki, size);
    LocalFree(spki);
    if (!digest) return std::nullopt;
    return Base64(*digest);
}

std::string Subject(const CERT_CONTEXT* certificate) {
    CERT_NAME_BLOB* name = &certificate->pCertInfo->Subject;
    const DWORD style = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG | CERT_NAME_STR_COMMA_FLAG;
    const DWORD size = CertNameToStrW(X509_ASN_ENCODING, name, style, nullptr, 0);
    std::wstring text(size, L'\0');
    CertNameToStrW(X509_ASN_ENCODING, name, style, text.data(), size);
    text.resize(size > 0 ? size - 1 : 0);
    return Utf8(text);
}

// Seconds since 1970 of a FILETIME, in 100 ns steps since 1601.
std::int64_t Epoch(const FILETIME& time) {
    const auto ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks / 10'000'000 - 11'644'473'600LL;
}

}  // namespace

std::optional<CertificateFacts> CertificateFactsOf(const _CERT_CONTEXT* certificate) {
    if (certificate == nullptr || certificate->pCertInfo == nullptr) return std::nullopt;
    auto key = KeySha256(certificate);
    if (!key) return std::nullopt;
    CertificateFacts facts;
    facts.key_sha256 = std::move(*key);
    facts.subject = Subject(certificate);
    facts.not_before = Epoch(certificate->pCertInfo->NotBefore);
    facts.not_after = Epoch(certificate->pCertInfo->NotAfter);
    return facts;
}

}  // namespace pelmora
