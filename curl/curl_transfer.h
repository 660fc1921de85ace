#pragma once

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>

#include "curl/url_launch.h"

namespace pelmora {

// What the callbacks of one libcurl transfer learn about its progress.
struct CurlTransfer {
    using Clock = std::chrono::steady_clock;

    // Header and trailer bytes one response may carry before it is ended.
    static constexpr std::size_t kMaxHeaderBytes = std::size_t{64} * 1024;

    std::string body;
    std::size_t max_body = 0;
    bool too_big = false;
    std::size_t header_bytes = 0;
    std::string session_cookie;  // value of a "Set-Cookie: sessionId=..." header
    Clock::time_point start;
    Clock::time_point resolved;
    Clock::time_point connected;
    Clock::time_point last_received;
    bool has_resolved = false;
    bool has_connected = false;
    bool has_sent = false;
};

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

void CurlGlobalInit();

// The options every gateway request shares: the URL, only `protocol` ("http"
// or "https") allowed, no redirects followed, no proxy, no signals, and a
// name resolution still running at the end left to finish on its own thread.
void SetRequestOptions(CURL* easy, const std::string& url, const char* protocol);

// Starts `transfer` afresh for a call and points the easy handle's socket,
// connection, debug, header and body callbacks at it. A reused connection
// counts as resolved and connected when the request is about to go out.
void AttachTransfer(CURL* easy, CurlTransfer& transfer, const RequestLimits& limits);

// Runs the easy handle on the multi handle until it ends or a phase or the
// whole call runs past its limit (CURLE_OPERATION_TIMEDOUT). The easy handle
// is removed from the multi handle again before returning.
CURLcode RunTransfer(CURLM* multi, CURL* easy, CurlTransfer& transfer, const RequestLimits& limits);

}  // namespace pelmora
