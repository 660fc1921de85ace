#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmora {

// What a TLS handshake showed of the gateway's certificate.
struct CertificateFacts {
    std::string key_sha256;       // SHA-256 of the public key (SPKI), base64
    std::string subject;          // for example "CN=envoy-122233004455"
    std::int64_t not_before = 0;  // epoch seconds
    std::int64_t not_after = 0;   // epoch seconds
    // False for a kept pin whose dates could not be read whole: its key is
    // still compared, but a new key is never taken as its renewal.
    bool dates_known = true;

    bool operator==(const CertificateFacts&) const = default;
};

// When a whole read must be over: every call and probe it makes has ended by
// then, answered or not.
using ReadDeadline = std::chrono::steady_clock::time_point;

// One GET over HTTPS.
struct HttpsCall {
    std::string url;  // "https://..." only; anything else fails with nothing sent
    // "Name: value" lines sent as they stand; a call with a control character
    // in any of them is not made.
    std::vector<std::string> headers;
    std::string pinned_sha256;  // base64 SPKI hash the peer must have; empty: any key
    // The read's end; none: the transport's own whole-call limit from now.
    // A call whose deadline has passed is not made.
    std::optional<ReadDeadline> deadline;
};

struct HttpsAnswer {
    enum class Outcome {
        Answered,     // a complete answer, whatever its status
        NoAnswer,     // no complete answer: refused, timed out, cut off, too big
        KeyMismatch,  // the peer's key is not the pinned one; nothing was sent
    };
    Outcome outcome = Outcome::NoAnswer;
    long status = 0;
    std::string body;  // decoded like the plain request's body
    // The value of a "sessionId" cookie the answer set, as it came, or empty.
    std::string session_cookie;
    // The peer's certificate when this call made a new connection.
    std::optional<CertificateFacts> handshake;
};

// The gateway's HTTPS side: calls that may reuse one kept-alive connection,
// and a handshake-only probe of the certificate that sends no request.
class HttpsTransport {
public:
    virtual ~HttpsTransport() = default;
    virtual HttpsAnswer get(const HttpsCall& call) = 0;
    // The certificate the server at `url` presents; nothing when no
    // handshake completes by the deadline (as for a call). No HTTP request
    // is sent.
    virtual std::optional<CertificateFacts> probe(const std::string& url, std::optional<ReadDeadline> deadline) = 0;
};

}  // namespace pelmora
