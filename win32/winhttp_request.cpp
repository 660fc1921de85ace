#include "win32/winhttp_request.h"

#include <windows.h>
#include <winhttp.h>

#include <optional>

#include "gateway/url_text.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

std::string launch(const std::string& url, const WinHttpLimits& limits, long& status) {
    const auto deadline = std::chrono::steady_clock::now() + limits.whole;
    const std::optional<UrlParts> parts = CrackUrl(url, false);
    if (!parts) return {};
    Internet session = OpenSession(limits);
    if (!session) return {};
    Internet connection(WinHttpConnect(session.get(), parts->host.c_str(), parts->port, 0));
    if (!connection) return {};
    Internet request(WinHttpOpenRequest(connection.get(), L"GET", parts->path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                        WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request) return {};
    DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
    // Resolving, connecting and sending share what is left of the whole call; then the wait for the headers.
    if (!LimitPhases(request.get(), limits, deadline, 3) ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !LimitPhases(request.get(), limits, deadline, 1) || !WinHttpReceiveResponse(request.get(), nullptr))
        return {};
    const std::optional<std::string> body = ReadAnswerBody(request.get(), limits, deadline);
    if (!body) return {};
    DWORD code = 0;
    DWORD size = sizeof code;
    if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX))
        status = static_cast<long>(code);
    return DecodeAnswer(*body, Utf8(AnswerHeader(request.get(), WINHTTP_QUERY_CONTENT_TYPE).value_or(L"")));
}

}  // namespace

std::string WinHttpLaunch(const std::string& url, const WinHttpLimits& limits, long* status) {
    long answered = 0;
    if (status != nullptr) *status = 0;
    try {
        if (!IsSendableUrl(url)) return {};
        std::string body = launch(url, limits, answered);
        if (status != nullptr) *status = answered;
        return body;
    } catch (...) {
        return {};
    }
}

}  // namespace pelmora
