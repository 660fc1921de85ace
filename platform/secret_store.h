#pragma once

#include <chrono>
#include <string>

namespace pelmora {

struct SecretRead {
    enum class Status {
        Found,
        Missing,      // the store answered: no such secret
        Unavailable,  // the store did not answer in time, or is not there
        Refused,      // the secret is there but may not be used; `message` says why
    };
    Status status = Status::Unavailable;
    std::string value;
    std::string message;
};

// A place for secrets, addressed by key. Every call returns within
// kSecretStoreWait, answering Unavailable (or false) when the store does not.
class SecretStore {
public:
    static constexpr std::chrono::milliseconds kSecretStoreWait{2000};

    virtual ~SecretStore() = default;
    virtual SecretRead Get(const std::string& key) = 0;
    virtual bool Set(const std::string& key, const std::string& value) = 0;
    // True when the secret is gone afterwards (also when it was never there).
    virtual bool Erase(const std::string& key) = 0;
    // Where the secrets are kept, in words for the user.
    virtual std::string Where() const = 0;
};

}  // namespace pelmora
