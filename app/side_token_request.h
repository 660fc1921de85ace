#pragma once

#include <memory>
#include <string>

#include "access/token_request.h"
#include "gateway/gateway_request.h"
#include "gateway/https_transport.h"
#include "platform/wall_clock.h"

namespace pelmora {

// A side document's request in token mode (the meter list): a connection of
// its own, but the key the reads hold pinned and the reads' session, so
// that it never sends the token to a key the reads would not, and never
// opens a second session; its refusal touches nothing of the reads'.
class SideTokenRequest : public GatewayRequest {
public:
    SideTokenRequest(std::unique_ptr<HttpsTransport> transport, TokenGatewayRequest& reads, const std::string& token,
                     const WallClock& clock);

    std::string scheme() override { return m_request.scheme(); }
    std::string launch(const std::string& url) override { return m_request.launch_side(url); }

private:
    std::unique_ptr<HttpsTransport> m_transport;
    MemoryPinStore m_pins;
    TokenGatewayRequest m_request;
};

// The side request while the reads have a session to share; nothing before.
std::unique_ptr<GatewayRequest> MakeSideTokenRequest(std::unique_ptr<HttpsTransport> transport,
                                                     TokenGatewayRequest& reads, const std::string& token,
                                                     const WallClock& clock);

}  // namespace pelmora
