#include "win32/winhttps_transport.h"

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>
#include <vector>

#include "gateway/url_text.h"
#include "win32/certificate_facts.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

constexpr std::string_view kScheme = "https://";

bool has_control_character(const std::string& line) {
    return std::any_of(line.begin(), line.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7f;
    });
}

// The name of a "Name: value" line, as WinHTTP takes it to remove the header.
std::wstring header_removal(const std::string& line) { return Utf16(line.substr(0, line.find(':') + 1)); }

std::optional<CertificateFacts> server_certificate(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) || !certificate)
        return std::nullopt;
    std::optional<CertificateFacts> facts = CertificateFactsOf(certificate);
    CertFreeCertificateContext(certificate);
    return facts;
}

// What the status callback sees and does for one request.
struct Exchange {
    std::string pin;                     // "" for any key
    std::vector<std::wstring> removals;  // the caller's headers, removed on a new connection
    bool new_connection = false;
    std::optional<CertificateFacts> seen;
    bool closed = false;  // the callback closed the request: its key is not the pinned one
};

struct Reply {
    long status = 0;
    std::string body;
    std::string session_cookie;
};

void CALLBACK on_status(HINTERNET request, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
    auto* watch = reinterpret_cast<Exchange*>(context);
    if (watch == nullptr || watch->closed) return;
    if (status == WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER) {
        watch->new_connection = true;
        // The request is put on the wire after this, so what is removed now never leaves.
        if (!watch->pin.empty()) {
            for (const std::wstring& name : watch->removals)
                WinHttpAddRequestHeaders(request, name.c_str(), static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_REPLACE);
        }
    } else if (status == WINHTTP_CALLBACK_STATUS_SENDING_REQUEST && watch->new_connection) {
        watch->seen = server_certificate(request);
        // Where the headers were already on the wire, closing the request now stops it.
        if (!watch->pin.empty() && (!watch->seen || watch->seen->key_sha256 != watch->pin)) {
            watch->closed = true;
            WinHttpCloseHandle(request);
        }
    }
}

// One GET on `connection`, its answer within the limits, or nothing.
std::optional<Reply> exchange(HINTERNET connection, const UrlParts& parts, const HttpsCall& call, Exchange& watch,
                              const WinHttpLimits& limits, std::chrono::steady_clock::time_point deadline) {
    Internet request(WinHttpOpenRequest(connection, L"GET", parts.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                        WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request) return std::nullopt;
    HINTERNET h = request.get();
    DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES;
    WinHttpSetOption(h, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
    // The gateway's certificate is self-signed, for a name it is not reached by.
    DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                   SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    if (!WinHttpSetOption(h, WINHTTP_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore)) return std::nullopt;
    for (const std::string& line : call.headers) {
        if (!WinHttpAddRequestHeaders(h, Utf16(line).c_str(), static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_ADD))
            return std::nullopt;
    }
    WinHttpSetStatusCallback(h, on_status, WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER | WINHTTP_CALLBACK_FLAG_SEND_REQUEST,
                             0);
    // Resolving, connecting, the handshake and sending share what is left of the read; then the wait for the headers.
    const bool sent = LimitPhases(h, limits, deadline, 3) &&
                      WinHttpSendRequest(h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                         reinterpret_cast<DWORD_PTR>(&watch)) != FALSE;
    if (watch.closed) {
        (void)request.release();
        return std::nullopt;
    }
    if (!sent || !LimitPhases(h, limits, deadline, 1) || !WinHttpReceiveResponse(h, nullptr)) return std::nullopt;
    const std::optional<std::string> body = ReadAnswerBody(h, limits, deadline);
    if (!body) return std::nullopt;
    Reply reply;
    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &status,
                        &size, WINHTTP_NO_HEADER_INDEX);
    reply.status = static_cast<long>(status);
    for (unsigned long index = 0;
         const std::optional<std::wstring> cookie = AnswerHeader(h, WINHTTP_QUERY_SET_COOKIE, index); ++index) {
        if (std::string value = SessionCookieOf(Utf8(*cookie)); !value.empty()) reply.session_cookie = value;
    }
    reply.body = DecodeAnswer(*body, Utf8(AnswerHeader(h, WINHTTP_QUERY_CONTENT_TYPE).value_or(L"")));
    return reply;
}

}  // namespace

WinHttpsTransport::WinHttpsTransport(WinHttpLimits limits) : m_limits(limits) {}

void WinHttpsTransport::forget() {
    m_connection.reset();
    m_session.reset();
    m_kept_key.clear();
}

bool WinHttpsTransport::open_for(const UrlParts& parts, const std::string& pin) {
    if (parts.host != m_host || parts.port != m_port || (!pin.empty() && !m_kept_key.empty() && pin != m_kept_key))
        forget();
    if (!m_session) m_session = OpenSession(m_limits);
    if (!m_session) return false;
    if (!m_connection) {
        m_connection.reset(WinHttpConnect(m_session.get(), parts.host.c_str(), parts.port, 0));
        m_host = parts.host;
        m_port = parts.port;
    }
    return static_cast<bool>(m_connection);
}

HttpsAnswer WinHttpsTransport::get(const HttpsCall& call) {
    HttpsAnswer answer;
    try {
        if (!IsSendableUrl(call.url, kScheme) ||
            std::any_of(call.headers.begin(), call.headers.end(), has_control_character))
            return answer;
        const std::optional<UrlParts> parts = CrackUrl(call.url, true);
        if (!parts || !open_for(*parts, call.pinned_sha256)) return answer;
        const auto deadline = std::min(std::chrono::steady_clock::now() + m_limits.whole,
                                       call.deadline.value_or(std::chrono::steady_clock::time_point::max()));
        // A pinned call's first request on a new connection only shows its key.
        for (int attempt = 0; attempt < 2 && std::chrono::steady_clock::now() < deadline; ++attempt) {
            Exchange watch;
            watch.pin = call.pinned_sha256;
            for (const std::string& line : call.headers) watch.removals.push_back(header_removal(line));
            const std::optional<Reply> reply = exchange(m_connection.get(), *parts, call, watch, m_limits, deadline);
            bool mixed = false;  // kept connections with two keys cannot be told apart
            if (watch.new_connection) {
                answer.handshake = watch.seen;
                const std::string key = watch.seen ? watch.seen->key_sha256 : std::string();
                mixed = !m_kept_key.empty() && key != m_kept_key;
                m_kept_key = key;
            }
            if (!call.pinned_sha256.empty() && watch.new_connection) {
                if (watch.seen && watch.seen->key_sha256 == call.pinned_sha256) continue;
                forget();
                return HttpsAnswer{HttpsAnswer::Outcome::KeyMismatch, 0, {}, {}, {}};
            }
            if (!reply) break;
            answer.outcome = HttpsAnswer::Outcome::Answered;
            answer.status = reply->status;
            answer.body = reply->body;
            answer.session_cookie = reply->session_cookie;
            if (mixed) forget();
            return answer;
        }
        return answer;
    } catch (...) {
        return HttpsAnswer{};
    }
}

std::optional<CertificateFacts> WinHttpsTransport::probe(const std::string& url, std::optional<ReadDeadline> deadline) {
    try {
        if (!IsSendableUrl(url, kScheme)) return std::nullopt;
        const std::optional<UrlParts> parts = CrackUrl(url, true);
        if (!parts) return std::nullopt;
        // A session of its own makes a connection of its own.
        WinHttpsTransport fresh(m_limits);
        if (!fresh.open_for(*parts, {})) return std::nullopt;
        Exchange watch;
        (void)exchange(fresh.m_connection.get(), *parts, HttpsCall{url, {}, {}, {}}, watch, m_limits,
                       std::min(std::chrono::steady_clock::now() + m_limits.whole,
                                deadline.value_or(std::chrono::steady_clock::time_point::max())));
        return watch.seen;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace pelmora
