#pragma once

#include <string>

#include "gateway/gateway_request.h"

namespace pelmora {

// Answers every request with the same document, whatever the URL: a saved
// gateway answer read as if it came over the network.
class DocumentRequest : public GatewayRequest {
public:
    explicit DocumentRequest(std::string document) : m_document(std::move(document)) {}
    std::string launch(const std::string&) override { return m_document; }

private:
    std::string m_document;
};

}  // namespace pelmora
