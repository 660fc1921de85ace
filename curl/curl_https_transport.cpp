#include "curl/curl_https_transport.h"

#include <algorithm>

#include <string_view>

#include "curl/certificate_reader.h"

namespace pelmora {

namespace {

constexpr std::string_view kScheme = "https://";

// The peer certificate of the transfer that just ended on `easy`.
std::optional<CertificateFacts> peer_certificate(CURL* easy) {
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &info) != CURLE_OK || info == nullptr || info->num_of_certs < 1)
        return std::nullopt;
    constexpr std::string_view kCert = "Cert:";
    for (curl_slist* line = info->certinfo[0]; line != nullptr; line = line->next) {
        const std::string_view text(line->data);
        if (text.substr(0, kCert.size()) == kCert)
            return CertificateFactsFromPem(std::string(text.substr(kCert.size())));
    }
    return std::nullopt;
}

// The limits of one call that must end by `deadline`: its whole-call bound
// cut to what is left; nothing when the deadline has passed.
std::optional<RequestLimits> limits_until(RequestLimits limits, const std::optional<ReadDeadline>& deadline) {
    if (!deadline) return limits;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    limits.whole = std::min(limits.whole, left);
    return limits;
}

}  // namespace

CurlHttpsTransport::CurlHttpsTransport(RequestLimits limits) : m_limits(limits) {
    CurlGlobalInit();
    m_multi.reset(curl_multi_init());
    m_easy.reset(curl_easy_init());
}

void CurlHttpsTransport::set_common_options(CURL* e, const std::string& url) {
    SetRequestOptions(e, url, "https");
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(e, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(e, CURLOPT_CERTINFO, 1L);
}

HttpsAnswer CurlHttpsTransport::get(const HttpsCall& call) {
    HttpsAnswer answer;
    try {
        const std::optional<RequestLimits> limits = limits_until(m_limits, call.deadline);
        if (!limits || !m_easy || !m_multi || !IsSendableUrl(call.url, kScheme)) return answer;
        CURL* e = m_easy.get();
        // An empty "Accept:" removes the one header libcurl would add of its own.
        HeaderList headers(curl_slist_append(nullptr, "Accept:"));
        for (const std::string& line : call.headers) {
            // A control character would end the line and start another of the sender's choosing.
            if (std::any_of(line.begin(), line.end(), [](char c) {
                    return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7f;
                }))
                return answer;
            curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
            if (grown == nullptr) return answer;
            (void)headers.release();
            headers.reset(grown);
        }
        const std::string pin = call.pinned_sha256.empty() ? std::string() : "sha256//" + call.pinned_sha256;
        set_common_options(e, call.url);
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_CONNECT_ONLY, 0L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(e, CURLOPT_PINNEDPUBLICKEY, pin.empty() ? nullptr : pin.c_str());
        curl_easy_setopt(e, CURLOPT_TCP_KEEPALIVE, 1L);
        AttachTransfer(e, m_transfer, *limits);

        const CURLcode result = RunTransfer(m_multi.get(), e, m_transfer, *limits);
        // The header list goes when this call returns; libcurl must not keep it.
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, nullptr);
        if (result == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
            answer.outcome = HttpsAnswer::Outcome::KeyMismatch;
            return answer;
        }
        long connects = 0;
        curl_easy_getinfo(e, CURLINFO_NUM_CONNECTS, &connects);
        if (connects > 0) answer.handshake = peer_certificate(e);
        if (result != CURLE_OK || m_transfer.too_big) return answer;

        char* content_type = nullptr;
        curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &content_type);
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &answer.status);
        answer.body = DecodeBody(m_transfer.body, content_type ? content_type : "");
        answer.session_cookie = m_transfer.session_cookie;
        answer.outcome = HttpsAnswer::Outcome::Answered;
        return answer;
    } catch (...) {
        return HttpsAnswer{};
    }
}

std::optional<CertificateFacts> CurlHttpsTransport::probe(const std::string& url,
                                                          std::optional<ReadDeadline> deadline) {
    try {
        const std::optional<RequestLimits> limits = limits_until(m_limits, deadline);
        if (!limits || !m_multi || !IsSendableUrl(url, kScheme)) return std::nullopt;
        EasyHandle easy(curl_easy_init());
        if (!easy) return std::nullopt;
        CURL* e = easy.get();
        set_common_options(e, url);
        // Only the handshake: no HTTP request goes out on this connection.
        curl_easy_setopt(e, CURLOPT_CONNECT_ONLY, 1L);
        curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
        CurlTransfer transfer;
        AttachTransfer(e, transfer, *limits);
        if (RunTransfer(m_multi.get(), e, transfer, *limits) != CURLE_OK) return std::nullopt;
        return peer_certificate(e);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace pelmora
