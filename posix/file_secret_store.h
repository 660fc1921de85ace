#pragma once

#include "platform/secret_store.h"
#include "posix/user_folders.h"

namespace pelmora {

// One secret in a file of its own, readable by its owner only. The file is
// written by an atomic replace with mode 0600; a file that group or others
// may read is refused, as is a file of another user and anything but a
// regular file. The key is
// ignored: each store holds one secret.
class FileSecretStore : public SecretStore {
public:
    explicit FileSecretStore(std::string path) : m_path(std::move(path)) {}

    SecretRead Get(const std::string& key) override;
    bool Set(const std::string& key, const std::string& value) override;
    bool Erase(const std::string& key) override;
    std::string Where() const override { return m_path; }

private:
    std::string m_path;
};

}  // namespace pelmora
