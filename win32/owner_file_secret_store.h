#pragma once

#include <string>

#include "platform/secret_store.h"

namespace pelmora {

// One secret in a file of its own that only its owner may read. The file is
// written to a temporary beside it with a protected access list granting
// this user alone, flushed, then moved over the old one. A file on which
// anyone but its user, the system and the administrators holds any right
// is refused (one who may change its access list or owner may grant
// themselves reading), as is a file another user owns and anything but a
// plain file. The key is
// ignored: each store holds one secret. `path` is UTF-8.
class OwnerFileSecretStore : public SecretStore {
public:
    explicit OwnerFileSecretStore(std::string path) : m_path(std::move(path)) {}

    SecretRead Get(const std::string& key) override;
    bool Set(const std::string& key, const std::string& value) override;
    bool Erase(const std::string& key) override;
    std::string Where() const override { return m_path; }

private:
    std::string m_path;
};

// Whether the access list of a security descriptor (a missing list counts
// as everyone's) grants anyone but `user`, the system and the administrators
// any right. Both are Windows' own structures, passed through untyped.
bool GrantsOthersAnyRight(void* descriptor, void* user);

}  // namespace pelmora
