#include "qt/keychain_secret_store.h"

#include <future>
#include <qt6keychain/keychain.h>

namespace pelmora {

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

SecretRead outcome(const QKeychain::Job& job) {
    SecretRead read;
    switch (job.error()) {
        case QKeychain::NoError: read.status = SecretRead::Status::Found; break;
        case QKeychain::EntryNotFound: read.status = SecretRead::Status::Missing; break;
        case QKeychain::AccessDenied:
        case QKeychain::AccessDeniedByUser: read.status = SecretRead::Status::Refused; break;
        default: read.status = SecretRead::Status::Unavailable; break;
    }
    read.message = job.errorString().toStdString();
    return read;
}

}  // namespace

KeychainSecretStore::KeychainSecretStore(std::string service) : m_service(std::move(service)) {
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("secret store"));
    m_thread.start();
}

KeychainSecretStore::~KeychainSecretStore() {
    m_thread.quit();
    m_thread.wait();
}

SecretRead KeychainSecretStore::run(const std::function<void(std::shared_ptr<std::promise<SecretRead>>)>& start) {
    auto promise = std::make_shared<std::promise<SecretRead>>();
    std::future<SecretRead> answer = promise->get_future();
    QMetaObject::invokeMethod(
        m_context, [start, promise] { start(promise); }, Qt::QueuedConnection);
    if (answer.wait_for(kSecretStoreWait) != std::future_status::ready) return SecretRead{};
    return answer.get();
}

SecretRead KeychainSecretStore::Get(const std::string& key) {
    const QString service = q(m_service);
    const QString name = q(key);
    return run([service, name](const std::shared_ptr<std::promise<SecretRead>>& promise) {
        auto* job = new QKeychain::ReadPasswordJob(service);
        job->setAutoDelete(true);
        job->setKey(name);
        QObject::connect(job, &QKeychain::Job::finished, [promise](QKeychain::Job* done) {
            SecretRead read = outcome(*done);
            if (read.status == SecretRead::Status::Found)
                read.value = static_cast<QKeychain::ReadPasswordJob*>(done)->textData().toStdString();
            promise->set_value(read);
        });
        job->start();
    });
}

bool KeychainSecretStore::Set(const std::string& key, const std::string& value) {
    const QString service = q(m_service);
    const QString name = q(key);
    const QString text = q(value);
    return run([service, name, text](const std::shared_ptr<std::promise<SecretRead>>& promise) {
               auto* job = new QKeychain::WritePasswordJob(service);
               job->setAutoDelete(true);
               job->setKey(name);
               job->setTextData(text);
               QObject::connect(job, &QKeychain::Job::finished,
                                [promise](QKeychain::Job* done) { promise->set_value(outcome(*done)); });
               job->start();
           }).status == SecretRead::Status::Found;
}

bool KeychainSecretStore::Erase(const std::string& key) {
    const QString service = q(m_service);
    const QString name = q(key);
    const SecretRead::Status status =
        run([service, name](const std::shared_ptr<std::promise<SecretRead>>& promise) {
            auto* job = new QKeychain::DeletePasswordJob(service);
            job->setAutoDelete(true);
            job->setKey(name);
            QObject::connect(job, &QKeychain::Job::finished,
                             [promise](QKeychain::Job* done) { promise->set_value(outcome(*done)); });
            job->start();
        }).status;
    return status == SecretRead::Status::Found || status == SecretRead::Status::Missing;
}

}  // namespace pelmora
