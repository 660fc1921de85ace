#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "gateway/gateway_request.h"

namespace pelmora {

// The bounds of one request: each of resolving, connecting, sending and
// waiting for the answer or the next part of the body, the whole call, and
// the body's size.
struct WinHttpLimits {
    std::chrono::milliseconds phase{3500};
    std::chrono::milliseconds whole{14000};
    std::size_t max_body = 1 << 20;
};

// One blocking HTTP GET of a plain "http://" URL over WinHTTP: the body as
// UTF-8 (decoded from its declared charset; undecodable bytes replaced by
// U+FFFD), whatever the status; the empty text for every failure, a body over
// the cap, one shorter than its Content-Length and a call running past its
// limits included. A URL with a blank, a control character or user
// information before the host fails with nothing sent. No headers of its own,
// no proxy, no cookies, no redirects followed, no connection kept.
std::string WinHttpLaunch(const std::string& url, const WinHttpLimits& limits = {});

// The request that goes to the network through WinHttpLaunch.
class WinHttpGatewayRequest : public GatewayRequest {
public:
    std::string launch(const std::string& url) override { return WinHttpLaunch(url); }
};

}  // namespace pelmora
