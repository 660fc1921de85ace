#pragma once

#include "access/token_keeper.h"
#include "access/token_request.h"
#include "gateway/gateway_request.h"

namespace pelmora {

// The gateway request the window uses: plain http while no token is set or
// expected, the token request otherwise. The choice is made once per read,
// when the read asks for the scheme; a token the settings expect but that is
// not at hand never falls back to plain http.
class AccessRequest : public GatewayRequest {
public:
    AccessRequest(GatewayRequest& plain, TokenGatewayRequest& token, TokenKeeper& keeper)
        : m_plain(plain), m_token(token), m_keeper(keeper), m_active(&plain) {}

    std::string scheme() override {
        const std::optional<std::string> token = m_keeper.Token();
        if (token || m_keeper.Expected()) {
            m_token.set_token(token);
            m_active = &m_token;
        } else {
            m_active = &m_plain;
        }
        return m_active->scheme();
    }
    std::string launch(const std::string& url) override { return m_active->launch(url); }
    std::string launch_side(const std::string& url) override { return m_active->launch_side(url); }
    std::string failure_text() const override { return m_active->failure_text(); }

private:
    GatewayRequest& m_plain;
    TokenGatewayRequest& m_token;
    TokenKeeper& m_keeper;
    GatewayRequest* m_active;
};

}  // namespace pelmora
