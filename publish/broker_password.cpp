#include "publish/broker_password.h"

#include "publish/mqtt_settings.h"

namespace pelmora {

std::string BrokerPassword::Load() {
    SecretRead read = m_keychain.Get(kMqttPasswordKey);
    if (read.status == SecretRead::Status::Found) return read.value;
    read = m_file.Get(kMqttPasswordKey);
    if (read.status != SecretRead::Status::Found) return {};
    // A file written by hand ends in a line end that is not the password's.
    std::string& password = read.value;
    if (password.ends_with('\n')) password.pop_back();
    if (password.ends_with('\r')) password.pop_back();
    return password;
}

std::string BrokerPassword::Save(const std::string& password) {
    if (password.empty()) {
        // A store that does not answer holds nothing that could be used.
        const bool keychain_gone =
            m_keychain.Erase(kMqttPasswordKey) || m_keychain.Get(kMqttPasswordKey).status != SecretRead::Status::Found;
        const bool file_gone = m_file.Erase(kMqttPasswordKey);
        return keychain_gone && file_gone ? std::string() : "The old password could not be removed.";
    }
    if (m_keychain.Set(kMqttPasswordKey, password)) {
        m_file.Erase(kMqttPasswordKey);
        return {};
    }
    if (m_file.Set(kMqttPasswordKey, password)) return {};
    return "The password could not be kept: " + m_keychain.Where() + " and " + m_file.Where() + " both refused it.";
}

}  // namespace pelmora
