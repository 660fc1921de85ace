#pragma once

#include "curl/curl_transfer.h"
#include "gateway/https_transport.h"
#include "curl/url_launch.h"

namespace pelmora {

// HTTPS to the gateway over libcurl: one connection kept alive from call to
// call (and its TLS session resumed when it must reconnect), each call under
// the same phase limits, whole-call bound and body cap as the plain request,
// the whole-call bound cut to what is left of the read's deadline.
// The certificate is not checked against any authority and the host name is
// not checked (gateways are reached by address or a .local name their
// certificate does not carry); a pinned key, when given, must match before
// anything is sent. No proxy, no redirects, no cookie engine.
class CurlHttpsTransport : public HttpsTransport {
public:
    explicit CurlHttpsTransport(RequestLimits limits = RequestLimits{});

    HttpsAnswer get(const HttpsCall& call) override;
    std::optional<CertificateFacts> probe(const std::string& url, std::optional<ReadDeadline> deadline) override;

private:
    void set_common_options(CURL* easy, const std::string& url);

    RequestLimits m_limits;
    MultiHandle m_multi;
    EasyHandle m_easy;
    CurlTransfer m_transfer;
};

}  // namespace pelmora
