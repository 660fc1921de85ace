#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "access/pinned_key.h"
#include "gateway/gateway_request.h"
#include "gateway/https_transport.h"
#include "platform/wall_clock.h"

namespace pelmora {

inline constexpr const char* kTokenRefused = "Token refused";
inline constexpr const char* kCertificateChanged = "Certificate changed";
inline constexpr const char* kTokenUnavailable = "Token not available";

// The gateway request with an owner token, over HTTPS only. Before the first
// read, and again after a read is refused, it checks the token at
// "/auth/check_jwt" and keeps the session cookie; each read then sends the
// cookie and the token. Answers other than 2xx are failed requests and their
// body is never returned. The gateway's public key is pinned on the first
// handshake; a different key ends the handshake before anything is sent,
// and is taken without asking only as the yearly renewal (see
// JudgeCertificate). A refused token is tried again at most once a minute.
// A read, its session check and any probe of the key included, ends within
// `whole_read` of its start.
class TokenGatewayRequest : public GatewayRequest {
public:
    struct KeyChange {
        CertificateFacts pinned;
        CertificateFacts seen;
    };

    static constexpr std::chrono::milliseconds kWholeRead{14000};

    TokenGatewayRequest(HttpsTransport& transport, PinStore& pins, const WallClock& clock,
                        std::chrono::milliseconds whole_read = kWholeRead);

    // A new token (or none) starts a new session.
    void set_token(std::optional<std::string> token);

    std::string scheme() override { return "https://"; }
    std::string launch(const std::string& url) override { return fetch(url, false); }
    // A refusal of a side document leaves the session and the token alone:
    // only a refused readings request counts as a refused token.
    std::string launch_side(const std::string& url) override { return fetch(url, true); }
    std::string failure_text() const override { return m_failure; }
    long last_status() const override { return m_status; }

    // The key change to put to the user, once per new key.
    std::optional<KeyChange> key_change_to_ask();
    bool key_change_pending() const { return m_change.has_value(); }
    // The key change that stops the reads, until trusted or gone.
    const std::optional<KeyChange>& pending_key_change() const { return m_change; }
    // When the gateway last refused the token in force; nothing once a
    // check took it.
    std::optional<std::int64_t> token_refused_at() const { return m_refused_at; }
    // The user trusts the new key: it is pinned and reads go on.
    void trust(const CertificateFacts& seen);
    // Set once when a renewed certificate was taken without asking.
    std::optional<std::string> take_renewal_note() { return std::exchange(m_renewal_note, std::nullopt); }

    std::uint64_t session_checks() const { return m_session_checks; }

    // The key the reads hold pinned (loaded from the store at the first
    // ask), whether or not the store could keep it.
    std::optional<CertificateFacts> pin_in_force();
    // The reads' session cookie while they have a session; empty otherwise.
    std::string session_cookie() const { return m_session ? m_cookie : std::string(); }
    // Reads under a session another request opened, never opening one of
    // their own for a side document.
    void adopt_session(const std::string& cookie);

private:
    // One GET with the token (and the cookie when there is one), the pin
    // applied and kept up to date. Sets m_failure when it fails.
    std::optional<HttpsAnswer> call(const std::string& url, bool with_cookie);
    bool check_session(const std::string& base);
    std::string fetch(const std::string& url, bool side);
    void note_handshake(const CertificateFacts& seen);
    bool recheck_change(const std::string& url);

    HttpsTransport& m_transport;
    PinStore& m_pins;
    const WallClock& m_clock;
    std::optional<std::string> m_token;
    std::string m_cookie;
    bool m_session = false;
    bool m_adopted = false;  // the session is another request's: a side document never opens one
    std::string m_failure;
    long m_status = 0;
    std::optional<CertificateFacts> m_pinned;
    bool m_pins_loaded = false;
    std::optional<KeyChange> m_change;
    bool m_change_asked = false;
    std::int64_t m_last_probe = 0;
    std::optional<std::int64_t> m_refused_at;
    std::optional<std::string> m_renewal_note;
    std::uint64_t m_session_checks = 0;
    std::chrono::milliseconds m_whole_read;
    std::optional<ReadDeadline> m_deadline;  // the read under way's
};

}  // namespace pelmora
