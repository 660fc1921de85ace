#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "gateway/gateway_request.h"
#include "gateway/url_text.h"

namespace pelmora {

// The bounds of one request. Each phase has its own limit; receiving counts
// the wait for the answer and each wait between parts of the body.
struct RequestLimits {
    std::chrono::milliseconds resolve{3500};
    std::chrono::milliseconds connect{3500};
    std::chrono::milliseconds send{3500};
    std::chrono::milliseconds receive{3500};
    std::chrono::milliseconds whole{14000};
    std::size_t max_body = 1 << 20;
};

// One blocking HTTP GET of a plain "http://" URL: the body decoded from its
// declared charset (UTF-8 when none; undecodable bytes replaced by U+FFFD),
// whatever the status; the empty text for every failure, a body over
// `max_body` and a phase or the whole call running past its limit included.
// A URL with a blank, a control character or user information before the
// host fails with nothing sent. No headers beyond what HTTP/1.1 needs, no
// proxy, no cookies, no redirects followed. Keeps no state between calls.
std::string urlLaunch(const std::string& url);
std::string urlLaunch(const std::string& url, const RequestLimits& limits);

// `body` decoded to UTF-8 from the charset named in `content_type`.
std::string DecodeBody(const std::string& body, const std::string& content_type);

// The request that goes to the network as urlLaunch does, keeping its
// transfer handles from call to call; each call still resolves the name and
// opens a connection of its own. One thread at a time.
class CurlGatewayRequest : public GatewayRequest {
public:
    explicit CurlGatewayRequest(RequestLimits limits = {});
    ~CurlGatewayRequest() override;
    std::string launch(const std::string& url) override;
    long last_status() const override { return m_status; }

    struct Handles;

private:
    RequestLimits m_limits;
    std::unique_ptr<Handles> m_handles;
    long m_status = 0;
};

}  // namespace pelmora
