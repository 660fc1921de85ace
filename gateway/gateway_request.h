#pragma once

#include <string>

namespace pelmora {

inline constexpr const char* kNoAnswer = "Wrong/No IP address";

// The request the read routine makes of the gateway: one blocking GET of a
// URL, the whole body as text whatever the status, the empty text for every
// failure. Never throws.
class GatewayRequest {
public:
    virtual ~GatewayRequest() = default;
    // What the URL starts with, asked once per read before launch.
    virtual std::string scheme() { return "http://"; }
    virtual std::string launch(const std::string& url) = 0;
    // A second document beside the readings (the meter list): as launch,
    // except that its refusal never counts against the access in force.
    virtual std::string launch_side(const std::string& url) { return launch(url); }
    // The HTTP status of the last launch's answer; 0 when none came or the
    // request does not tell.
    virtual long last_status() const { return 0; }
    // What the window shows in place of the timestamp after launch returned
    // the empty text.
    virtual std::string failure_text() const { return kNoAnswer; }
};

}  // namespace pelmora
