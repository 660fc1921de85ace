#include "win32/winhttp_request.h"

#include <windows.h>
#include <winhttp.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "gateway/url_text.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

struct CloseInternet {
    void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, CloseInternet>;

// The Windows code page of a charset the gateway may name; none for one
// that is not known, which is read as UTF-8.
std::optional<UINT> code_page_of(const std::string& charset) {
    struct Known {
        const char* name;
        UINT page;
    };
    for (const Known& k : {Known{"iso-8859-1", 28591}, Known{"latin1", 28591}, Known{"iso-8859-15", 28605},
                           Known{"windows-1252", 1252}, Known{"cp1252", 1252}, Known{"utf-16le", 1200}}) {
        if (charset == k.name) return k.page;
    }
    return std::nullopt;
}

std::string decode(const std::string& body, const std::string& content_type) {
    const std::optional<UINT> page = code_page_of(CharsetOf(content_type));
    if (!page || body.empty()) return SanitizeUtf8(body);
    if (*page == 1200) {
        std::wstring wide(body.size() / 2, L'\0');
        std::memcpy(wide.data(), body.data(), wide.size() * 2);
        return SanitizeUtf8(Utf8(wide));
    }
    const int size = static_cast<int>(body.size());
    const int length = MultiByteToWideChar(*page, 0, body.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(*page, 0, body.data(), size, wide.data(), length);
    return Utf8(wide);
}

std::optional<std::wstring> header_text(HINTERNET request, DWORD which) {
    DWORD bytes = 0;
    WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return std::nullopt;
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                             WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    return std::wstring(text.data());
}

// The body within the limits, or nothing.
std::optional<std::string> read_body(HINTERNET request, const WinHttpLimits& limits,
                                     std::chrono::steady_clock::time_point deadline) {
    std::string body;
    for (;;) {
        // Closing the handle from elsewhere does not end a read: the whole
        // call's limit is checked between the parts instead.
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return std::nullopt;
        if (available == 0) return body;
        if (body.size() + available > limits.max_body) return std::nullopt;
        const std::size_t had = body.size();
        body.resize(had + available);
        DWORD read = 0;
        if (!WinHttpReadData(request, body.data() + had, available, &read)) return std::nullopt;
        body.resize(had + read);
    }
}

std::string launch(const std::string& url, const WinHttpLimits& limits) {
    const auto deadline = std::chrono::steady_clock::now() + limits.whole;
    const std::wstring wide = Utf16(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP) return {};
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    Internet session(
        WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return {};
    const int phase = static_cast<int>(limits.phase.count());
    WinHttpSetTimeouts(session.get(), phase, phase, phase, phase);
    Internet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return {};
    Internet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                        WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request) return {};
    // The wait for the answer's headers has its own limit.
    DWORD wait = static_cast<DWORD>(phase);
    WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait, sizeof wait);
    DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return {};
    const std::optional<std::string> body = read_body(request.get(), limits, deadline);
    if (!body) return {};
    // A connection closed mid-body ends the read without an error.
    if (const std::optional<std::wstring> length = header_text(request.get(), WINHTTP_QUERY_CONTENT_LENGTH)) {
        if (std::to_wstring(body->size()) != *length) return {};
    }
    const std::string type = Utf8(header_text(request.get(), WINHTTP_QUERY_CONTENT_TYPE).value_or(L""));
    return decode(*body, type);
}

}  // namespace

std::string WinHttpLaunch(const std::string& url, const WinHttpLimits& limits) {
    try {
        if (!IsSendableUrl(url)) return {};
        return launch(url, limits);
    } catch (...) {
        return {};
    }
}

}  // namespace pelmora
