#include "win32/winhttp_answer.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "gateway/url_text.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

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

}  // namespace

void CloseInternet::operator()(void* handle) const { WinHttpCloseHandle(handle); }

std::optional<UrlParts> CrackUrl(const std::string& url, bool secure) {
    const std::wstring wide = Utf16(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) return std::nullopt;
    if (parts.nScheme != (secure ? INTERNET_SCHEME_HTTPS : INTERNET_SCHEME_HTTP)) return std::nullopt;
    UrlParts cracked{std::wstring(parts.lpszHostName, parts.dwHostNameLength), parts.nPort,
                     std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength)};
    cracked.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (cracked.path.empty()) cracked.path = L"/";
    return cracked;
}

Internet OpenSession(const WinHttpLimits& limits) {
    Internet session(
        WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return session;
    const int phase = static_cast<int>(limits.phase.count());
    WinHttpSetTimeouts(session.get(), phase, phase, phase, phase);
    return session;
}

bool LimitPhases(void* request, const WinHttpLimits& limits, std::chrono::steady_clock::time_point deadline,
                 int phases) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int each = static_cast<int>(
        std::max<long long>(1, std::min<long long>(limits.phase.count(), left.count() / std::max(phases, 1))));
    DWORD wait = static_cast<DWORD>(each);
    return WinHttpSetTimeouts(request, each, each, each, each) &&
           WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait, sizeof wait);
}

std::optional<std::wstring> AnswerHeader(void* request, unsigned long which, unsigned long index) {
    DWORD bytes = 0;
    DWORD at = index;
    WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes, &at);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return std::nullopt;
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    at = index;
    if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes, &at))
        return std::nullopt;
    return std::wstring(text.data());
}

std::optional<std::string> ReadAnswerBody(void* request, const WinHttpLimits& limits,
                                          std::chrono::steady_clock::time_point deadline) {
    std::string body;
    for (;;) {
        // Closing the handle from elsewhere does not end a read: each part
        // waits no longer than what is left.
        if (!LimitPhases(request, limits, deadline, 1)) return std::nullopt;
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return std::nullopt;
        if (available == 0) break;
        if (body.size() + available > limits.max_body) return std::nullopt;
        const std::size_t had = body.size();
        body.resize(had + available);
        DWORD read = 0;
        if (!WinHttpReadData(request, body.data() + had, available, &read)) return std::nullopt;
        body.resize(had + read);
    }
    // A connection closed mid-body ends the read without an error.
    if (const std::optional<std::wstring> length = AnswerHeader(request, WINHTTP_QUERY_CONTENT_LENGTH)) {
        if (std::to_wstring(body.size()) != *length) return std::nullopt;
    }
    return body;
}

std::string DecodeAnswer(const std::string& body, const std::string& content_type) {
    const std::optional<UINT> page = code_page_of(CharsetOf(content_type));
    if (!page || body.empty() || body.size() > INT_MAX) return SanitizeUtf8(body);
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

}  // namespace pelmora
