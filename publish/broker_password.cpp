#include "publish/broker_password.h"

#include "publish/mqtt_settings.h"

namespace pelmora {

std::string BrokerPassword::Load() {
    SecretRead read = m_keychain.Get(kMqttPasswordKey);
    if (read.status == SecretRead::Status::Found) return read.value;
    read = m_file.Get(kMqttPasswordKey);
    return read.status == SecretRead::Status::Found ? read.value : std::string();
}

std::string BrokerPassword::Save(const std::string& password) {
    if (password.empty()) {
        const bool keychain_gone = m_keychain.Erase(kMqttPasswordKey);
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
