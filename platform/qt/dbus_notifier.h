#pragma once

#include <string>

#include "platform/notifier.h"

namespace pelmora {

// The freedesktop notification service on the session bus. Each
// notification is sent without waiting for an answer; without a session bus
// nothing is sent.
class DBusNotifier : public Notifier {
public:
    explicit DBusNotifier(std::string application) : m_application(std::move(application)) {}
    void Notify(const std::string& summary, const std::string& body) override;

private:
    std::string m_application;
};

}  // namespace pelmora
