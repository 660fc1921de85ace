#include "app/side_token_request.h"

namespace pelmora {

SideTokenRequest::SideTokenRequest(std::unique_ptr<HttpsTransport> transport, TokenGatewayRequest& reads,
                                   const std::string& token, const WallClock& clock)
    : m_transport(std::move(transport)), m_clock(clock.EpochSeconds()), m_request(*m_transport, m_pins, m_clock) {
    if (const std::optional<CertificateFacts> pin = reads.pin_in_force()) m_pins.Save(*pin);
    m_request.set_token(token);
    m_request.adopt_session(reads.session_cookie());
}

std::unique_ptr<GatewayRequest> MakeSideTokenRequest(std::unique_ptr<HttpsTransport> transport,
                                                     TokenGatewayRequest& reads, const std::string& token,
                                                     const WallClock& clock) {
    if (reads.session_cookie().empty()) return nullptr;
    return std::make_unique<SideTokenRequest>(std::move(transport), reads, token, clock);
}

}  // namespace pelmora
