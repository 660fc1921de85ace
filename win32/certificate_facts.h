#pragma once

#include <optional>

#include "gateway/https_transport.h"

// The Win32 certificate context, declared as <wincrypt.h> declares it.
struct _CERT_CONTEXT;

namespace pelmora {

// What the pin compares of a certificate the gateway showed: the SHA-256 of
// its public key (the DER SubjectPublicKeyInfo, as on Linux) hashed with
// CNG and in base64, its subject with the most specific name first, and its
// validity; nothing when any of them cannot be read.
std::optional<CertificateFacts> CertificateFactsOf(const _CERT_CONTEXT* certificate);

}  // namespace pelmora
