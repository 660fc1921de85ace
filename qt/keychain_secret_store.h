#pragma once

#include <QObject>
#include <QThread>
#include <functional>
#include <future>
#include <memory>

#include "platform/secret_store.h"

namespace pelmora {

// Secrets in the desktop's secret store (the Secret Service on Linux)
// through QtKeychain, under one service name. The jobs run on a thread of
// their own, so any thread may call, and each call gives up after
// kSecretStoreWait when no secret service answers.
class KeychainSecretStore : public SecretStore {
public:
    explicit KeychainSecretStore(std::string service);
    ~KeychainSecretStore() override;

    SecretRead Get(const std::string& key) override;
    bool Set(const std::string& key, const std::string& value) override;
    bool Erase(const std::string& key) override;
    std::string Where() const override { return "service " + m_service + ", key gateway-token"; }

private:
    // Runs `start` on the store's thread; it must fulfil the promise it is given.
    SecretRead run(const std::function<void(std::shared_ptr<std::promise<SecretRead>>)>& start);

    std::string m_service;
    QThread m_thread;
    QObject* m_context = nullptr;
};

}  // namespace pelmora
