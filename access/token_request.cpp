#include "access/token_request.h"

#include <utility>

#include "access/token_text.h"
#include "records/utc_text.h"

namespace pelmora {

namespace {

constexpr std::string_view kReadingsPath = "/ivp/meters/readings";
constexpr std::string_view kCheckPath = "/auth/check_jwt";
constexpr std::int64_t kRetryAfter = 60;  // seconds between probes of a changed key, or tries of a refused token

// "https://host[:port]" of a readings URL.
std::string base_of(const std::string& url) {
    if (url.size() >= kReadingsPath.size() &&
        url.compare(url.size() - kReadingsPath.size(), kReadingsPath.size(), kReadingsPath) == 0)
        return url.substr(0, url.size() - kReadingsPath.size());
    const std::size_t host = url.find("://");
    const std::size_t path = url.find('/', host == std::string::npos ? 0 : host + 3);
    return url.substr(0, path);
}

// RFC 6265's cookie-value: cookie-octets, optionally in double quotes.
bool is_cookie_value(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7e || c == '"' || c == ',' || c == ';' || c == '\\') return false;
    }
    return true;
}

bool refused(long status) { return status == 401 || status == 403; }
bool success(long status) { return status >= 200 && status < 300; }

}  // namespace

TokenGatewayRequest::TokenGatewayRequest(HttpsTransport& transport, PinStore& pins, const WallClock& clock,
                                         std::chrono::milliseconds whole_read)
    : m_transport(transport), m_pins(pins), m_clock(clock), m_failure(kNoAnswer), m_whole_read(whole_read) {}

void TokenGatewayRequest::set_token(std::optional<std::string> token) {
    if (token == m_token) return;
    m_token = std::move(token);
    m_cookie.clear();
    m_session = false;
    m_refused_at.reset();
}

std::optional<CertificateFacts> TokenGatewayRequest::pin_in_force() {
    if (!m_pins_loaded) {
        m_pins_loaded = true;
        m_pinned = m_pins.Load();
    }
    return m_pinned;
}

void TokenGatewayRequest::adopt_session(const std::string& cookie) {
    m_cookie = cookie;
    m_session = !cookie.empty();
    m_adopted = true;
}

std::optional<TokenGatewayRequest::KeyChange> TokenGatewayRequest::key_change_to_ask() {
    if (!m_change || m_change_asked) return std::nullopt;
    m_change_asked = true;
    return m_change;
}

void TokenGatewayRequest::trust(const CertificateFacts& seen) {
    m_pins.Save(seen);
    m_pinned = seen;
    m_change.reset();
    m_cookie.clear();
    m_session = false;
}

void TokenGatewayRequest::note_handshake(const CertificateFacts& seen) {
    // The pin was applied, so a handshake with a pin shows the pinned key; its
    // subject and dates may still have moved on.
    if (!m_pinned || m_pinned->key_sha256 == seen.key_sha256) {
        if (m_pinned != seen) {
            m_pins.Save(seen);
            m_pinned = seen;
        }
    }
}

bool TokenGatewayRequest::recheck_change(const std::string& url) {
    const std::int64_t now = m_clock.EpochSeconds();
    if (now - m_last_probe < kRetryAfter) return false;
    m_last_probe = now;
    const std::optional<CertificateFacts> seen = m_transport.probe(url, m_deadline);
    if (!seen) return false;
    switch (JudgeCertificate(m_pinned, *seen, now)) {
        case PinVerdict::Same: m_change.reset(); return true;
        case PinVerdict::FirstUse:
        case PinVerdict::Renewal: trust(*seen); return true;
        case PinVerdict::Changed:
            if (seen->key_sha256 != m_change->seen.key_sha256) {
                m_change = KeyChange{*m_pinned, *seen};
                m_change_asked = false;
            }
            return false;
    }
    return false;
}

std::optional<HttpsAnswer> TokenGatewayRequest::call(const std::string& url, bool with_cookie) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        HttpsCall request;
        request.url = url;
        request.headers.push_back("Authorization: Bearer " + *m_token);
        if (with_cookie && !m_cookie.empty()) request.headers.push_back("Cookie: sessionId=" + m_cookie);
        if (m_pinned) request.pinned_sha256 = m_pinned->key_sha256;
        request.deadline = m_deadline;
        HttpsAnswer answer = m_transport.get(request);

        if (answer.outcome == HttpsAnswer::Outcome::KeyMismatch) {
            const std::int64_t now = m_clock.EpochSeconds();
            const std::optional<CertificateFacts> seen = m_transport.probe(url, m_deadline);
            if (!seen) break;
            const PinVerdict verdict = JudgeCertificate(m_pinned, *seen, now);
            if (verdict == PinVerdict::Renewal) {
                trust(*seen);
                m_renewal_note = "gateway certificate renewed on " + UtcDateText(now);
                continue;
            }
            if (verdict == PinVerdict::Same) continue;
            m_change = KeyChange{m_pinned.value_or(CertificateFacts{}), *seen};
            m_change_asked = false;
            m_last_probe = now;
            m_failure = kCertificateChanged;
            return std::nullopt;
        }
        if (answer.handshake) note_handshake(*answer.handshake);
        if (answer.outcome != HttpsAnswer::Outcome::Answered) break;
        return answer;
    }
    m_failure = kNoAnswer;
    return std::nullopt;
}

bool TokenGatewayRequest::check_session(const std::string& base) {
    ++m_session_checks;
    const std::optional<HttpsAnswer> answer = call(base + std::string(kCheckPath), false);
    if (!answer) return false;
    if (refused(answer->status)) {
        m_failure = kTokenRefused;
        m_refused_at = m_clock.EpochSeconds();
        return false;
    }
    if (!success(answer->status)) {
        m_failure = kNoAnswer;
        return false;
    }
    if (!is_cookie_value(answer->session_cookie)) {
        // Never sent back: a session the gateway cannot name safely is no session.
        m_failure = kNoAnswer;
        return false;
    }
    m_refused_at.reset();
    m_cookie = answer->session_cookie;
    m_session = true;
    return true;
}

std::string TokenGatewayRequest::fetch(const std::string& url, bool side) {
    m_failure = kNoAnswer;
    m_status = 0;
    m_deadline = std::chrono::steady_clock::now() + m_whole_read;
    if (!m_token) {
        m_failure = kTokenUnavailable;
        return std::string();
    }
    (void)pin_in_force();
    if (m_change && !recheck_change(url)) {
        m_failure = kCertificateChanged;
        return std::string();
    }
    if (m_refused_at && m_clock.EpochSeconds() - *m_refused_at < kRetryAfter) {
        m_failure = kTokenRefused;
        return std::string();
    }
    const std::string base = base_of(url);
    bool checked = false;
    for (;;) {
        if (!m_session) {
            if (side && m_adopted) return std::string();
            if (!check_session(base)) return std::string();
            checked = true;
        }
        const std::optional<HttpsAnswer> answer = call(url, true);
        if (!answer) return std::string();
        m_status = answer->status;
        if (refused(answer->status) && side) {
            m_failure = kNoAnswer;
            return std::string();
        }
        if (refused(answer->status)) {
            // The session has lapsed, or the token was withdrawn: one fresh check tells.
            m_cookie.clear();
            m_session = false;
            if (!checked) continue;
            m_failure = kTokenRefused;
            m_refused_at = m_clock.EpochSeconds();
            return std::string();
        }
        if (!success(answer->status)) return std::string();
        return answer->body;
    }
}

}  // namespace pelmora
