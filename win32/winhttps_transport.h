#pragma once

#include <optional>
#include <string>

#include "gateway/https_transport.h"
#include "win32/winhttp_answer.h"

namespace pelmora {

// HTTPS to the gateway over WinHTTP: one session and connection handle kept,
// so one connection stays alive from call to call, each call under the same
// phase limits, whole-call bound and body cap as the plain request. The
// certificate is not checked against any authority, its name or its dates;
// a pinned key is checked instead. A pinned call's own headers (the token,
// the cookie) never leave on a connection whose key was not seen first: the
// first request on each new connection goes without them, and the call is
// made again on that connection once its key is the pinned one. No proxy,
// no redirects, no cookie engine.
class WinHttpsTransport : public HttpsTransport {
public:
    explicit WinHttpsTransport(WinHttpLimits limits = WinHttpLimits{});

    HttpsAnswer get(const HttpsCall& call) override;
    // WinHTTP cannot stop after the handshake: the probe's request goes out
    // on a connection of its own, with no header of the caller's, and its
    // answer is dropped.
    std::optional<CertificateFacts> probe(const std::string& url, std::optional<ReadDeadline> deadline) override;

private:
    bool open_for(const UrlParts& parts, const std::string& pin);
    void forget();

    WinHttpLimits m_limits;
    Internet m_session;
    Internet m_connection;
    std::wstring m_host;
    unsigned short m_port = 0;
    // The key the kept connections showed; a call pinned to another key
    // starts again on a new session.
    std::string m_kept_key;
};

}  // namespace pelmora
