#pragma once

#include <cstdint>
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
// opens a second session; its refusal touches nothing of the reads'. It
// holds nothing of the program's services (the time is taken when it is
// made), so that a fetch still running when the program ends touches
// nothing that is gone.
class SideTokenRequest : public GatewayRequest {
public:
    SideTokenRequest(std::unique_ptr<HttpsTransport> transport, TokenGatewayRequest& reads, const std::string& token,
                     const WallClock& clock);

    std::string scheme() override { return m_request.scheme(); }
    std::string launch(const std::string& url) override { return m_request.launch_side(url); }
    long last_status() const override { return m_request.last_status(); }

private:
    class ClockAt : public WallClock {
    public:
        explicit ClockAt(std::int64_t now) : m_now(now) {}
        std::int64_t EpochSeconds() const override { return m_now; }

    private:
        std::int64_t m_now;
    };

    std::unique_ptr<HttpsTransport> m_transport;
    ClockAt m_clock;
    MemoryPinStore m_pins;
    TokenGatewayRequest m_request;
};

// The side request while the reads have a session to share; nothing before.
std::unique_ptr<GatewayRequest> MakeSideTokenRequest(std::unique_ptr<HttpsTransport> transport,
                                                     TokenGatewayRequest& reads, const std::string& token,
                                                     const WallClock& clock);

}  // namespace pelmora
