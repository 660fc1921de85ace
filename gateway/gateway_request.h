#pragma once

#include <string>

namespace pelmora {

// The request the read routine makes of the gateway: one blocking GET of a
// URL, the whole body as text whatever the status, the empty text for every
// failure. Never throws.
class GatewayRequest {
public:
    virtual ~GatewayRequest() = default;
    virtual std::string launch(const std::string& url) = 0;
};

}  // namespace pelmora
