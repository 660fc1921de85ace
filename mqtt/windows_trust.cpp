#include "mqtt/windows_trust.h"

#include <openssl/ssl.h>
#include <openssl/x509v3.h>

// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

namespace pelmora {

namespace {

// Adds each certificate of the Windows store `name` to `store`; how many.
int add_windows_store(X509_STORE* store, const wchar_t* name) {
    HCERTSTORE windows = CertOpenSystemStoreW(0, name);
    if (windows == nullptr) return 0;
    int added = 0;
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(windows, nullptr); c != nullptr;
         c = CertEnumCertificatesInStore(windows, c)) {
        const unsigned char* der = c->pbCertEncoded;
        X509* certificate = d2i_X509(nullptr, &der, static_cast<long>(c->cbCertEncoded));
        if (certificate == nullptr) continue;
        if (X509_STORE_add_cert(store, certificate) == 1) ++added;
        X509_free(certificate);
    }
    CertCloseStore(windows, 0);
    return added;
}

}  // namespace

std::shared_ptr<void> WindowsTrustContext(const BusOptions& options) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) return nullptr;
    std::shared_ptr<void> held(context, [](void* c) { SSL_CTX_free(static_cast<SSL_CTX*>(c)); });
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    if (!options.verify_peer) {
        SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
        return held;
    }
    add_windows_store(SSL_CTX_get_cert_store(context), L"ROOT");
    X509_VERIFY_PARAM* check = SSL_CTX_get0_param(context);
    // An address is checked against the certificate's addresses, a name against its names.
    if (X509_VERIFY_PARAM_set1_ip_asc(check, options.host.c_str()) != 1)
        X509_VERIFY_PARAM_set1_host(check, options.host.c_str(), options.host.size());
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    return held;
}

}  // namespace pelmora
