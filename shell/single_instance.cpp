#include "shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <cstring>

namespace pelmora {

namespace {

constexpr char kShow[] = "show\n";
constexpr char kShown[] = "shown\n";

// A folder of this user's that nobody else can write into.
bool private_folder(const QString& folder) {
    struct stat status {};
    if (folder.isEmpty() || ::lstat(QFile::encodeName(folder).constData(), &status) != 0) return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 022) == 0;
}

QString runtime_folder() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (private_folder(runtime)) return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/pelmora-") + QString::number(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return private_folder(own) ? own : QString();
}

// Whether the other end of `socket` runs as this user.
bool same_user(qintptr descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           peer.uid == ::getuid();
}

// Whether `path`, with the lock's suffix, fits a local socket's address.
bool fits_socket_address(const QString& path) {
    return static_cast<std::size_t>(QFile::encodeName(path).size()) < sizeof(sockaddr_un::sun_path);
}

bool is_socket(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISSOCK(status.st_mode);
}

}  // namespace

SingleInstance::SingleInstance() : m_server(new QLocalServer(this)) {}

SingleInstance::~SingleInstance() {
    if (m_lock >= 0) ::close(m_lock);
}

QString SingleInstance::SocketName(const std::string& program, const std::string& settings_file) {
    const QString folder = runtime_folder();
    if (folder.isEmpty()) return {};
    const auto hash = [](const std::string& text) {
        return QString::fromLatin1(
            QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256).toHex().left(16));
    };
    const QString user = QString::number(::getuid());
    QString named = folder + QStringLiteral("/pelmora-") + QString::fromStdString(program) + '-' + user + '-' +
                    hash(settings_file) + QStringLiteral(".socket");
    if (fits_socket_address(named)) return named;
    QString hashed = folder + QStringLiteral("/pelmora-") + user + '-' + hash(program + '\n' + settings_file) +
                     QStringLiteral(".socket");
    return fits_socket_address(hashed) ? hashed : QString();
}

SingleInstance::Lock SingleInstance::TakeLock(const QString& name, std::string* why) {
    const QByteArray path = QFile::encodeName(name + QStringLiteral(".lock"));
    m_lock = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lock < 0) {
        if (why != nullptr) *why = path.toStdString() + ": " + std::strerror(errno);
        m_lock_unavailable = true;
        return Lock::Unavailable;
    }
    if (::flock(m_lock, LOCK_EX | LOCK_NB) == 0) return Lock::Taken;
    ::close(m_lock);
    m_lock = -1;
    return Lock::HeldElsewhere;
}

bool SingleInstance::AskRunningToShow(const QString& name, int wait_ms) {
    const QDeadlineTimer deadline(wait_ms);
    QLocalSocket socket;
    socket.setReadBufferSize(kLongestLine);
    socket.connectToServer(name);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) return false;
    if (!same_user(socket.socketDescriptor())) return false;
    socket.write(kShow);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() >= kLongestLine || deadline.hasExpired()) return false;
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return false;
    }
    return socket.readLine(kLongestLine) == kShown;
}

void SingleInstance::serve(QLocalSocket* socket) {
    ++m_clients;
    connect(socket, &QObject::destroyed, this, [this] { --m_clients; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (m_clients > kMaxClients || !same_user(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->setReadBufferSize(kLongestLine);
    QTimer::singleShot(kIdleMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() >= kLongestLine) {
                socket->abort();
                socket->deleteLater();
            }
            return;
        }
        if (socket->readLine(kLongestLine) == kShow) {
            socket->write(kShown);
            socket->flush();
            if (m_show) m_show();
        }
        socket->disconnectFromServer();
    });
}

bool SingleInstance::Listen(const QString& name, std::function<void()> show) {
    m_show = std::move(show);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) serve(socket);
    });
    // Holding the lock, a socket at the name is a crash's leftover.
    // Without a lock, the caller asked first: a socket nobody answered on is a leftover too.
    if ((m_lock >= 0 || m_lock_unavailable) && is_socket(name)) QLocalServer::removeServer(name);
    return m_server->listen(name);
}

}  // namespace pelmora
