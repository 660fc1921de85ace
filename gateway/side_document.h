#pragma once

#include <memory>
#include <optional>
#include <string>

#include "gateway/gateway_request.h"

namespace pelmora {

// A side document (the meter list) fetched off the reads' thread, so that a
// gateway slow to give it never holds a reading back.
class SideDocument {
public:
    virtual ~SideDocument() = default;
    // Starts fetching `url` as a side document with `request`, which the
    // fetch owns from then on; false, and nothing started, while another
    // fetch is under way. Never waits.
    virtual bool Start(std::unique_ptr<GatewayRequest> request, const std::string& url) = 0;
    // The body of the fetch that finished since the last call ("" when it
    // failed), once; nothing while it is under way or none was started.
    virtual std::optional<std::string> Take() = 0;
};

}  // namespace pelmora
