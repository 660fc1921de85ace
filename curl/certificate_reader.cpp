#include "curl/certificate_reader.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <openssl/x509.h>

#include <ctime>
#include <memory>

namespace pelmora {

namespace {

struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};

std::optional<std::int64_t> epoch_of(const ASN1_TIME* time) {
    std::tm tm{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &tm) != 1) return std::nullopt;
    return static_cast<std::int64_t>(timegm(&tm));
}

std::string base64(const unsigned char* data, std::size_t size) {
    std::string out(4 * ((size + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, static_cast<int>(size));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

}  // namespace

std::optional<CertificateFacts> CertificateFactsFromPem(const std::string& pem) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio) return std::nullopt;
    std::unique_ptr<X509, X509Free> cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    if (!cert) return std::nullopt;

    CertificateFacts facts;
    unsigned char* spki = nullptr;
    const int spki_size = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert.get()), &spki);
    if (spki_size <= 0) return std::nullopt;
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(spki, static_cast<std::size_t>(spki_size), digest);
    OPENSSL_free(spki);
    facts.key_sha256 = base64(digest, sizeof digest);

    std::unique_ptr<BIO, BioFree> name(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(name.get(), X509_get_subject_name(cert.get()), 0, XN_FLAG_RFC2253);
    char* text = nullptr;
    const long length = BIO_get_mem_data(name.get(), &text);
    facts.subject.assign(text, static_cast<std::size_t>(length > 0 ? length : 0));

    const auto not_before = epoch_of(X509_get0_notBefore(cert.get()));
    const auto not_after = epoch_of(X509_get0_notAfter(cert.get()));
    if (!not_before || !not_after) return std::nullopt;
    facts.not_before = *not_before;
    facts.not_after = *not_after;
    return facts;
}

}  // namespace pelmora
