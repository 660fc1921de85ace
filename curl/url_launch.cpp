#include "curl/url_launch.h"

#include "curl/curl_transfer.h"

#include <curl/curl.h>
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace pelmora {

namespace {

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

bool IsSendableUrl(const std::string& url) { return IsSendableUrl(url, "http://"); }

bool IsSendableUrl(const std::string& url, std::string_view scheme) {
    for (unsigned char c : url) {
        if (c <= 0x20 || c == 0x7F) return false;
    }
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
        CurlGlobalInit();

        EasyHandle easy(curl_easy_init());
        MultiHandle multi(curl_multi_init());
        if (!easy || !multi) return std::string();

        CurlTransfer transfer;
        // An empty "Accept:" removes the one header libcurl would add of its own.
        HeaderList headers(curl_slist_append(nullptr, "Accept:"));

        CURL* e = easy.get();
        SetRequestOptions(e, url, "http");
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
        AttachTransfer(e, transfer, limits);

        const CURLcode result = RunTransfer(multi.get(), e, transfer, limits);
        char* content_type = nullptr;
        curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &content_type);
        const std::string type = content_type ? content_type : "";

        if (result != CURLE_OK || transfer.too_big) return std::string();
        return DecodeBody(transfer.body, type);
    } catch (...) {
        return std::string();
    }
}

}  // namespace pelmora
