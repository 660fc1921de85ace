#include "platform/qt/dbus_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace pelmora {

void DBusNotifier::Notify(const std::string& summary, const std::string& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QString::fromStdString(m_application) << 0u << QStringLiteral("org.pelmora.Pelmora")
         << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList() << QVariantMap() << -1;
    // The answer (the notification's id, or an error without a service) is not waited for.
    bus.send(call);
}

}  // namespace pelmora
