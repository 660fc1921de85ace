#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdint>
#include <memory>
#include <string>

namespace pelmora {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
    void operator()(X509* cert) const { X509_free(cert); }
};

// A key and the self-signed certificate that goes with it, as the gateway
// has them: an RSA key, subject and issuer "CN=envoy-<serial>".
struct ServerIdentity {
    std::unique_ptr<EVP_PKEY, KeyFree> key;
    std::unique_ptr<X509, CertFree> cert;
};

// A fresh 2048-bit RSA key and a certificate valid from `not_before` for
// `days` days. Throws std::runtime_error when OpenSSL fails.
ServerIdentity MakeSelfSigned(const std::string& serial, std::int64_t not_before, int days);

// The certificate and key from PEM files.
ServerIdentity LoadIdentity(const std::string& cert_path, const std::string& key_path);

// Writes both as PEM files (the key with mode 0600).
void SaveIdentity(const ServerIdentity& identity, const std::string& cert_path, const std::string& key_path);

}  // namespace pelmora
