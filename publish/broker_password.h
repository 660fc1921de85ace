#pragma once

#include <string>

#include "platform/secret_store.h"

namespace pelmora {

// The broker's password, kept like the gateway token: in the desktop's
// secret store, or where that does not answer, in an owner-only file. Never
// in the settings file.
class BrokerPassword {
public:
    BrokerPassword(SecretStore& keychain, SecretStore& file) : m_keychain(keychain), m_file(file) {}

    // The password, or empty when none is kept. One line end at the end of
    // the file is not part of it.
    std::string Load();
    // Keeps `password` (an empty one removes it); why it could not be kept,
    // or empty. A password in a store that does not answer is not there.
    std::string Save(const std::string& password);

private:
    SecretStore& m_keychain;
    SecretStore& m_file;
};

}  // namespace pelmora
