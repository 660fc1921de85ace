#include "shell/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace pelmora {

namespace {

constexpr char kShow[] = "show\n";
constexpr char kShown[] = "shown\n";

}  // namespace

SingleInstance::SingleInstance() : m_server(new QLocalServer(this)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::SocketName(const std::string& program, const std::string& settings_file) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(settings_file), QCryptographicHash::Sha256).toHex().left(16);
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::tempPath();
    return folder + QStringLiteral("/pelmora-") + QString::fromStdString(program) + '-' + QString::number(::getuid()) +
           '-' + QString::fromLatin1(hash) + QStringLiteral(".socket");
}

bool SingleInstance::AskRunningToShow(const QString& name, int wait_ms) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(wait_ms)) return false;
    socket.write(kShow);
    if (!socket.waitForBytesWritten(wait_ms)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(wait_ms)) return false;
    }
    return socket.readLine() == kShown;
}

bool SingleInstance::Listen(const QString& name, std::function<void()> show) {
    m_show = std::move(show);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                if (socket->readLine(64) == kShow) {
                    socket->write(kShown);
                    socket->flush();
                    if (m_show) m_show();
                }
                socket->disconnectFromServer();
            });
        }
    });
    if (m_server->listen(name)) return true;
    // Nobody answered on it (the caller asked first): a crash's leftover.
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

}  // namespace pelmora
