#include "tools/self_signed_certificate.h"

#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

namespace pelmora {

namespace {

struct FileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileClose>;

File open_file(const std::string& path, const char* mode) {
    File f(std::fopen(path.c_str(), mode));
    if (!f) throw std::runtime_error("cannot open " + path);
    return f;
}

std::unique_ptr<X509, CertFree> certify(EVP_PKEY* key, const std::string& serial, std::int64_t not_before, int days) {
    std::unique_ptr<X509, CertFree> cert(X509_new());
    if (!cert) throw std::runtime_error("X509_new");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set_int64(X509_get_serialNumber(cert.get()), not_before);
    ASN1_TIME_set(X509_getm_notBefore(cert.get()), static_cast<time_t>(not_before));
    ASN1_TIME_set(X509_getm_notAfter(cert.get()), static_cast<time_t>(not_before + std::int64_t{days} * 86400));
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    const std::string cn = "envoy-" + serial;
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    if (X509_sign(cert.get(), key, EVP_sha256()) == 0) throw std::runtime_error("X509_sign");
    return cert;
}

}  // namespace

ServerIdentity MakeSelfSigned(const std::string& serial, std::int64_t not_before, int days) {
    ServerIdentity identity;
    identity.key.reset(EVP_RSA_gen(2048));
    if (!identity.key) throw std::runtime_error("EVP_RSA_gen");
    identity.cert = certify(identity.key.get(), serial, not_before, days);
    return identity;
}

ServerIdentity LoadIdentity(const std::string& cert_path, const std::string& key_path) {
    ServerIdentity identity;
    File cert = open_file(cert_path, "r");
    identity.cert.reset(PEM_read_X509(cert.get(), nullptr, nullptr, nullptr));
    File key = open_file(key_path, "r");
    identity.key.reset(PEM_read_PrivateKey(key.get(), nullptr, nullptr, nullptr));
    if (!identity.cert || !identity.key) throw std::runtime_error("cannot read " + cert_path + " or " + key_path);
    return identity;
}

void SaveIdentity(const ServerIdentity& identity, const std::string& cert_path, const std::string& key_path) {
    File cert = open_file(cert_path, "w");
    PEM_write_X509(cert.get(), identity.cert.get());
    const mode_t previous = ::umask(077);
    File key = open_file(key_path, "w");
    ::umask(previous);
    PEM_write_PrivateKey(key.get(), identity.key.get(), nullptr, nullptr, 0, nullptr, nullptr);
}

}  // namespace pelmora
