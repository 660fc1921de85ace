#include "gateway/url_launch.h"

#include <curl/curl.h>
#include <iconv.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

namespace pelmora {

namespace {

using Clock = std::chrono::steady_clock;

// What the callbacks learn about the transfer's progress.
struct Transfer {
    std::string body;
    std::size_t max_body = 0;
    bool too_big = false;
    Clock::time_point start;
    Clock::time_point resolved;
    Clock::time_point connected;
    Clock::time_point last_received;
    bool has_resolved = false;
    bool has_connected = false;
    bool has_sent = false;
};

void global_init_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Called once name resolution is done, for each address tried.
curl_socket_t open_socket(void* clientp, curlsocktype, curl_sockaddr* address) {
    auto* t = static_cast<Transfer*>(clientp);
    if (!t->has_resolved) {
        t->has_resolved = true;
        t->resolved = Clock::now();
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// Called once connected, before the request is sent.
int connected(void* clientp, char*, char*, int, int) {
    auto* t = static_cast<Transfer*>(clientp);
    t->has_connected = true;
    t->connected = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// Sees the request header once it has gone out.
int debug_seen(CURL*, curl_infotype type, char*, size_t, void* clientp) {
    auto* t = static_cast<Transfer*>(clientp);
    if (type == CURLINFO_HEADER_OUT && !t->has_sent) {
        t->has_sent = true;
        t->last_received = Clock::now();
    }
    return 0;
}

size_t header_received(char*, size_t size, size_t count, void* userdata) {
    static_cast<Transfer*>(userdata)->last_received = Clock::now();
    return size * count;
}

size_t body_received(char* data, size_t size, size_t count, void* userdata) {
    auto* t = static_cast<Transfer*>(userdata);
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
bool past_limit(const Transfer& t, const RequestLimits& limits, Clock::time_point now) {
    if (now - t.start > limits.whole) return true;
    if (!t.has_resolved) return now - t.start > limits.resolve;
    if (!t.has_connected) return now - t.resolved > limits.connect;
    if (!t.has_sent) return now - t.connected > limits.send;
    return now - t.last_received > limits.receive;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void append_replacement(std::string& out) { out += "\xEF\xBF\xBD"; }

// Copies valid UTF-8 and replaces each byte that starts no valid sequence.
std::string sanitize_utf8(const std::string& in) {
    std::string out;
    out.reserve(in.size());
    const auto* s = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        std::size_t len = 0;
        std::uint32_t min = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            min = 0x10000;
        }
        bool valid = len > 0 && i + len <= n;
        std::uint32_t cp = len > 0 ? (c & (0x7F >> len)) : 0;
        for (std::size_t k = 1; valid && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                valid = false;
            } else {
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
        }
        if (valid && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (valid) {
            out.append(in, i, len);
            i += len;
        } else {
            append_replacement(out);
            ++i;
        }
    }
    return out;
}

std::string charset_of(const std::string& content_type) {
    const std::string type = lower(content_type);
    std::size_t at = type.find("charset=");
    if (at == std::string::npos) return "";
    std::string value = type.substr(at + 8);
    value = value.substr(0, value.find(';'));
    value.erase(std::remove_if(value.begin(), value.end(), [](char c) { return c == '"' || c == '\'' || c == ' '; }),
                value.end());
    return value;
}

}  // namespace

bool IsSendableUrl(const std::string& url) {
    for (unsigned char c : url) {
        if (c <= 0x20 || c == 0x7F) return false;
    }
    constexpr std::string_view scheme = "http://";
    if (url.size() < scheme.size() || lower(url.substr(0, scheme.size())) != scheme) return false;
    const std::string rest = url.substr(scheme.size());
    const std::string authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.find('@') != std::string::npos) return false;
    if (authority.empty() || authority.front() == ':') return false;
    return true;
}

std::string DecodeBody(const std::string& body, const std::string& content_type) {
    const std::string charset = charset_of(content_type);
    if (charset.empty() || charset == "utf-8" || charset == "utf8" || charset == "us-ascii") {
        return sanitize_utf8(body);
    }
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    // iconv_open reports failure as (iconv_t)-1.
    if (cd == reinterpret_cast<iconv_t>(-1)) return sanitize_utf8(body);  // NOLINT(performance-no-int-to-ptr)

    std::string out;
    out.reserve(body.size() * 2);
    char* in = const_cast<char*>(body.data());
    std::size_t in_left = body.size();
    char buffer[4096];
    while (in_left > 0) {
        char* out_ptr = buffer;
        std::size_t out_left = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &in_left, &out_ptr, &out_left);
        out.append(buffer, static_cast<std::size_t>(out_ptr - buffer));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // An invalid or cut-off sequence: replace one byte and go on.
            append_replacement(out);
            ++in;
            --in_left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::string urlLaunch(const std::string& url) { return urlLaunch(url, RequestLimits{}); }

std::string urlLaunch(const std::string& url, const RequestLimits& limits) {
    try {
        if (!IsSendableUrl(url)) return std::string();
        global_init_once();

        std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
        std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
        if (!easy || !multi) return std::string();

        Transfer transfer;
        transfer.max_body = limits.max_body;
        transfer.start = Clock::now();

        // An empty "Accept:" removes the one header libcurl would add of its own.
        std::unique_ptr<curl_slist, SlistDeleter> headers(curl_slist_append(nullptr, "Accept:"));

        CURL* e = easy.get();
        curl_easy_setopt(e, CURLOPT_URL, url.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(e, CURLOPT_PROXY, "");
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        // A name resolution still running when the call ends is left to finish
        // on its own thread instead of being waited for.
        curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
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

        if (curl_multi_add_handle(multi.get(), e) != CURLM_OK) return std::string();

        bool failed = false;
        int running = 1;
        while (running > 0) {
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
                failed = true;
                break;
            }
            if (running == 0) break;
            if (past_limit(transfer, limits, Clock::now())) {
                failed = true;
                break;
            }
            if (curl_multi_poll(multi.get(), nullptr, 0, 25, nullptr) != CURLM_OK) {
                failed = true;
                break;
            }
        }

        CURLcode result = CURLE_OK;
        if (!failed) {
            int queued = 0;
            result = CURLE_RECV_ERROR;
            while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == e) result = message->data.result;
            }
        }
        char* content_type = nullptr;
        curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &content_type);
        const std::string type = content_type ? content_type : "";
        curl_multi_remove_handle(multi.get(), e);

        if (failed || result != CURLE_OK || transfer.too_big) return std::string();
        return DecodeBody(transfer.body, type);
    } catch (...) {
        return std::string();
    }
}

}  // namespace pelmora
