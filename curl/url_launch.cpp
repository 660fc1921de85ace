#include "curl/url_launch.h"

#include "curl/curl_transfer.h"
#include "gateway/url_text.h"

#include <curl/curl.h>
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace pelmora {

std::string DecodeBody(const std::string& body, const std::string& content_type) {
    const std::string charset = CharsetOf(content_type);
    if (charset.empty() || charset == "utf-8" || charset == "utf8" || charset == "us-ascii") {
        return SanitizeUtf8(body);
    }
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    // iconv_open reports failure as (iconv_t)-1.
    if (cd == reinterpret_cast<iconv_t>(-1)) return SanitizeUtf8(body);  // NOLINT(performance-no-int-to-ptr)

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
            out += "\xEF\xBF\xBD";
            ++in;
            --in_left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

// One plain transfer's handles, kept from call to call so that a read does
// not make them, and the multi handle's wake-up pair, anew.
struct CurlGatewayRequest::Handles {
    EasyHandle easy{curl_easy_init()};
    MultiHandle multi{curl_multi_init()};
    // An empty "Accept:" removes the one header libcurl would add of its own.
    HeaderList headers{curl_slist_append(nullptr, "Accept:")};
    CurlTransfer transfer;

    long status = 0;

    std::string get(const std::string& url, const RequestLimits& limits) {
        status = 0;
        if (!IsSendableUrl(url) || !easy || !multi || !headers) return std::string();
        CURL* e = easy.get();
        SetRequestOptions(e, url, "http");
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
        // Each read still resolves the name and opens a connection of its own.
        curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(e, CURLOPT_DNS_CACHE_TIMEOUT, 0L);
        AttachTransfer(e, transfer, limits);

        const CURLcode result = RunTransfer(multi.get(), e, transfer, limits);
        char* content_type = nullptr;
        curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &content_type);
        const std::string type = content_type ? content_type : "";
        std::string body = std::move(transfer.body);
        transfer.body.clear();
        if (result != CURLE_OK || transfer.too_big) return std::string();
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
        return DecodeBody(body, type);
    }
};

std::string urlLaunch(const std::string& url) { return urlLaunch(url, RequestLimits{}); }

std::string urlLaunch(const std::string& url, const RequestLimits& limits) {
    try {
        if (!IsSendableUrl(url)) return std::string();
        CurlGlobalInit();
        CurlGatewayRequest::Handles handles;
        return handles.get(url, limits);
    } catch (...) {
        return std::string();
    }
}

CurlGatewayRequest::CurlGatewayRequest(RequestLimits limits) : m_limits(limits) { CurlGlobalInit(); }

CurlGatewayRequest::~CurlGatewayRequest() = default;

std::string CurlGatewayRequest::launch(const std::string& url) {
    try {
        m_status = 0;
        if (!m_handles) m_handles = std::make_unique<Handles>();
        std::string body = m_handles->get(url, m_limits);
        m_status = m_handles->status;
        return body;
    } catch (...) {
        return std::string();
    }
}

}  // namespace pelmora
