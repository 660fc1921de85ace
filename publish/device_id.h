#pragma once

#include <string>

namespace pelmora {

// The gateway's address text as a topic-safe id: lower-cased, every
// character outside [a-z0-9_-] turned into "_" ("envoy.local" gives
// "envoy_local", "192.168.1.20:80" gives "192_168_1_20_80").
std::string DeviceId(const std::string& address);

}  // namespace pelmora
