#pragma once

#include <string>

#include "platform/secret_store.h"

namespace pelmora {

// Secrets in the user's Windows Credential Manager, as generic credentials
// named "<service>/<key>", kept on this machine for this user only. The
// value is stored as its bytes; a credential of another type or one larger
// than a secret may be is Refused.
class CredentialSecretStore : public SecretStore {
public:
    explicit CredentialSecretStore(std::string service) : m_service(std::move(service)) {}

    SecretRead Get(const std::string& key) override;
    bool Set(const std::string& key, const std::string& value) override;
    bool Erase(const std::string& key) override;
    std::string Where() const override { return "Windows Credential Manager, " + m_service + "/gateway-token"; }

    // The longest value kept: the Credential Manager's own limit of 2560 bytes.
    static constexpr std::size_t kLongestValue = 2560;

private:
    std::string target(const std::string& key) const { return m_service + "/" + key; }

    std::string m_service;
};

}  // namespace pelmora
