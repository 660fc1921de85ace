#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace pelmora {

// The bounds of one request: each of resolving, connecting, sending and
// waiting for the answer or the next part of the body, the whole call, and
// the body's size.
struct WinHttpLimits {
    std::chrono::milliseconds phase{3500};
    std::chrono::milliseconds whole{14000};
    std::size_t max_body = 1 << 20;
};

// A WinHTTP handle, closed when it goes.
struct CloseInternet {
    void operator()(void* handle) const;
};
using Internet = std::unique_ptr<void, CloseInternet>;

// What WinHTTP needs of a URL: the host, the port and the path with its
// query ("/" for none); nothing for a URL WinHTTP cannot read or of
// another scheme.
struct UrlParts {
    std::wstring host;
    unsigned short port = 0;
    std::wstring path;
};
std::optional<UrlParts> CrackUrl(const std::string& url, bool secure);

// A new session with no proxy, each phase under `limits`.
Internet OpenSession(const WinHttpLimits& limits);

// Limits each phase of `request` (resolving, connecting, sending, waiting for
// the answer, each read) to the phase limit or the share of what is left
// before `deadline` among the `phases` still to come, whichever is less;
// false, and nothing set, once the deadline has passed.
bool LimitPhases(void* request, const WinHttpLimits& limits, std::chrono::steady_clock::time_point deadline,
                 int phases);

// The body of the answer to `request` within the limits and by `deadline`,
// or nothing; a body shorter than its Content-Length is nothing too.
std::optional<std::string> ReadAnswerBody(void* request, const WinHttpLimits& limits,
                                          std::chrono::steady_clock::time_point deadline);

// The text of one of the answer's headers (a WINHTTP_QUERY_* value), or
// nothing when it has none.
std::optional<std::wstring> AnswerHeader(void* request, unsigned long which, unsigned long index = 0);

// The body as UTF-8, decoded from the charset the Content-Type names
// (UTF-8 when it names none or one not known); undecodable bytes become U+FFFD.
std::string DecodeAnswer(const std::string& body, const std::string& content_type);

}  // namespace pelmora
