#pragma once

#include <memory>
#include <optional>
#include <string>

#include "gateway/gateway_request.h"

namespace pelmora {

// A side document's answer: the body as the request gave it, and its HTTP
// status (0 when none came or the request does not tell).
struct SideAnswer {
    std::string body;
    long status = 0;
};

// A side document (the meter list) fetched off the reads' thread, so that a
// gateway slow to give it never holds a reading back.
class SideDocument {
public:
    virtual ~SideDocument() = default;
    // Starts fetching `url` as a side document with `request`, which the
    // fetch owns from then on; false, and nothing started, while another
    // fetch is under way. Never waits.
    virtual bool Start(std::unique_ptr<GatewayRequest> request, const std::string& url) = 0;
    // The answer of the fetch that finished since the last call (its body
    // "" when it failed), once; nothing while it is under way or none was started.
    virtual std::optional<SideAnswer> Take() = 0;
};

}  // namespace pelmora
