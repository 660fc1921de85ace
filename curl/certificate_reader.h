#pragma once

#include <optional>
#include <string>

#include "gateway/https_transport.h"

namespace pelmora {

// The facts of the first certificate in a PEM text: its public key's SHA-256
// (base64), its subject in RFC 2253 form and its validity dates.
std::optional<CertificateFacts> CertificateFactsFromPem(const std::string& pem);

}  // namespace pelmora
