#pragma once

#include <string>

#include "gateway/gateway_request.h"
#include "win32/winhttp_answer.h"

namespace pelmora {

// One blocking HTTP GET of a plain "http://" URL over WinHTTP: the body as
// UTF-8 (decoded from its declared charset; undecodable bytes replaced by
// U+FFFD), whatever the status; the empty text for every failure, a body over
// the cap, one shorter than its Content-Length and a call running past its
// limits included. A URL with a blank, a control character or user
// information before the host fails with nothing sent. No headers of its own,
// no proxy, no cookies, no redirects followed, no connection kept.
// `status`, when given, receives the answer's HTTP status (0 when none came).
std::string WinHttpLaunch(const std::string& url, const WinHttpLimits& limits = {}, long* status = nullptr);

// The request that goes to the network through WinHttpLaunch.
class WinHttpGatewayRequest : public GatewayRequest {
public:
    std::string launch(const std::string& url) override { return WinHttpLaunch(url, {}, &m_status); }
    long last_status() const override { return m_status; }

private:
    long m_status = 0;
};

}  // namespace pelmora
