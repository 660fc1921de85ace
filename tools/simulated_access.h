#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace pelmora {

// The gateway's side of token access: a bearer token checked against the one
// it was given (any token when none was given), session cookies that stay
// good for 10 minutes after their last use, and counts of TLS connections
// and handshakes.
class SimulatedAccess {
public:
    explicit SimulatedAccess(std::string token) : m_token(std::move(token)) {}

    // Whether an Authorization header value carries the token.
    bool bearer_ok(const std::string& authorization) const;
    // Whether a Cookie header value carries a live session; using it keeps it alive.
    bool session_ok(const std::string& cookie);
    // A new session id (hex).
    std::string open_session();

    // Counts handshakes of every connection made on `ctx`.
    void watch(SSL_CTX& ctx);
    std::string counts() const;

private:
    static void on_info(const SSL* ssl, int where, int ret);

    std::string m_token;
    std::mutex m_mutex;
    std::map<std::string, std::chrono::steady_clock::time_point> m_sessions;
};

// A token shaped as the gateway's owner tokens, for `serial`, expiring at
// `exp`; its signature is not a real one (the simulator checks none).
std::string MakeSampleToken(const std::string& serial, std::int64_t exp);

// Counted across all SSL contexts of the process.
struct HandshakeCounts {
    std::atomic<std::uint64_t> started{0};
    std::atomic<std::uint64_t> completed{0};
    std::atomic<std::uint64_t> resumed{0};
};
HandshakeCounts& SimulatorHandshakes();

}  // namespace pelmora
