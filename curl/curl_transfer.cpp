#include "curl/curl_transfer.h"

#include <sys/socket.h>

#include <cctype>
#include <mutex>
#include <string_view>
#include <utility>

#include "gateway/url_text.h"

namespace pelmora {

namespace {

using Clock = CurlTransfer::Clock;

// Called once name resolution is done, for each address tried.
curl_socket_t open_socket(void* clientp, curlsocktype, curl_sockaddr* address) {
    auto* t = static_cast<CurlTransfer*>(clientp);
    if (!t->has_resolved) {
        t->has_resolved = true;
        t->resolved = Clock::now();
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// Called once connected (the TLS handshake included), or on a reused
// connection, before the request is sent.
int connected(void* clientp, char*, char*, int, int) {
    auto* t = static_cast<CurlTransfer*>(clientp);
    const auto now = Clock::now();
    if (!t->has_resolved) {
        t->has_resolved = true;
        t->resolved = now;
    }
    t->has_connected = true;
    t->connected = now;
    return CURL_PREREQFUNC_OK;
}

// Sees the request header once it has gone out.
int debug_seen(CURL*, curl_infotype type, char*, size_t, void* clientp) {
    auto* t = static_cast<CurlTransfer*>(clientp);
    if (type == CURLINFO_HEADER_OUT && !t->has_sent) {
        t->has_sent = true;
        t->last_received = Clock::now();
    }
    return 0;
}

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// Keeps the value of a "sessionId" cookie; every other cookie is ignored.
void take_session_cookie(CurlTransfer& t, std::string_view line) {
    constexpr std::string_view kHeader = "set-cookie:";
    if (!starts_with_nocase(line, kHeader)) return;
    line.remove_prefix(kHeader.size());
    if (std::string value = SessionCookieOf(line); !value.empty()) t.session_cookie = std::move(value);
}

// Header and trailer lines are not progress for the receive limit, and a
// response whose lines pass kMaxHeaderBytes in all is ended.
size_t header_received(char* data, size_t size, size_t count, void* userdata) {
    auto* t = static_cast<CurlTransfer*>(userdata);
    const std::size_t n = size * count;
    t->header_bytes += n;
    if (t->header_bytes > CurlTransfer::kMaxHeaderBytes) {
        t->too_big = true;
        return 0;  // ends the transfer
    }
    take_session_cookie(*t, std::string_view(data, n));
    return n;
}

size_t body_received(char* data, size_t size, size_t count, void* userdata) {
    auto* t = static_cast<CurlTransfer*>(userdata);
    const std::size_t n = size * count;
    t->last_received = Clock::now();
    if (t->body.size() + n > t->max_body) {
        t->too_big = true;
        return 0;  // ends the transfer
    }
    t->body.append(data, n);
    return n;
}

// Whether a phase or the whole call has run past its limit.
bool past_limit(const CurlTransfer& t, const RequestLimits& limits, Clock::time_point now) {
    if (now - t.start > limits.whole) return true;
    if (!t.has_resolved) return now - t.start > limits.resolve;
    if (!t.has_connected) return now - t.resolved > limits.connect;
    if (!t.has_sent) return now - t.connected > limits.send;
    return now - t.last_received > limits.receive;
}

}  // namespace

void CurlGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void SetRequestOptions(CURL* e, const std::string& url, const char* protocol) {
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, protocol);
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, protocol);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_PROXY, "");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
}

void AttachTransfer(CURL* e, CurlTransfer& transfer, const RequestLimits& limits) {
    transfer = CurlTransfer{};
    transfer.max_body = limits.max_body;
    transfer.start = Clock::now();
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>((limits.resolve + limits.connect).count()));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.whole.count()));
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, open_socket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, connected);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, debug_seen);
    curl_easy_setopt(e, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, header_received);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, body_received);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
}

CURLcode RunTransfer(CURLM* multi, CURL* e, CurlTransfer& transfer, const RequestLimits& limits) {
    if (curl_multi_add_handle(multi, e) != CURLM_OK) return CURLE_FAILED_INIT;
    bool failed = false;
    int running = 1;
    while (running > 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            failed = true;
            break;
        }
        if (running == 0) break;
        if (past_limit(transfer, limits, Clock::now())) {
            failed = true;
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, 25, nullptr) != CURLM_OK) {
            failed = true;
            break;
        }
    }
    CURLcode result = CURLE_OPERATION_TIMEDOUT;
    if (!failed) {
        int queued = 0;
        result = CURLE_RECV_ERROR;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == e) result = message->data.result;
        }
    }
    curl_multi_remove_handle(multi, e);
    return result;
}

}  // namespace pelmora
