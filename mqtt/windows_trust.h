#pragma once

#include <memory>

#include "platform/message_bus.h"

namespace pelmora {

// An OpenSSL client context for the broker that trusts what Windows
// trusts: the certificates of the "ROOT" store (the user's view of it,
// which holds the machine's), loaded because OpenSSL's own default paths
// mean nothing on Windows. TLS 1.2 at least; the broker's certificate must
// name `options.host` (a name, or an address), unless `verify_peer` is off,
// when nothing is checked. Empty when no context can be made.
std::shared_ptr<void> WindowsTrustContext(const BusOptions& options);

}  // namespace pelmora
