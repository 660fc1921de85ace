#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace pelmora {

// One poller per program name and settings file. The first start takes a
// lock (flock, held for the program's life, so a crash lets go of it) and
// listens on a local socket beside it; a later start finds the lock taken,
// asks the socket to show the first window and ends. Both live in a folder
// only this user can write, and each side checks that the other is this
// user. Only the holder of the lock replaces a socket, and only a socket:
// anything else at its path is left alone.
class SingleInstance : public QObject {
public:
    static constexpr int kMaxClients = 16;
    static constexpr int kIdleMs = 2000;
    static constexpr int kLongestLine = 64;

    SingleInstance();
    ~SingleInstance() override;

    // The socket for `program` with its settings in `settings_file`, named
    // for the program, the user and a hash of the settings file's path (the
    // program's name left to the hash where the path would not fit a
    // socket's address), in
    // $XDG_RUNTIME_DIR when only this user can write it, else in a folder
    // of this user's own under the temporary folder; empty when no such
    // folder can be had.
    static QString SocketName(const std::string& program, const std::string& settings_file);
    enum class Lock {
        Taken,          // this start holds the lock beside the socket
        HeldElsewhere,  // another start holds it
        Unavailable     // no lock can be had there: the guard goes by the socket alone
    };
    // Takes the lock beside `name`; where it is unavailable, `why` says why.
    Lock TakeLock(const QString& name, std::string* why = nullptr);
    bool holds_lock() const { return m_lock >= 0; }
    // True when a start run by this user answered "shown" on `name` within
    // `wait_ms` in all.
    static bool AskRunningToShow(const QString& name, int wait_ms = 1000);
    // Listens on `name` (replacing a socket a crash left, where this start
    // holds the lock or no lock can be had and nobody answered there); each
    // later start runs `show`. False when the socket cannot be made.
    bool Listen(const QString& name, std::function<void()> show);

private:
    void serve(QLocalSocket* socket);

    QLocalServer* m_server;
    std::function<void()> m_show;
    int m_lock = -1;
    bool m_lock_unavailable = false;
    int m_clients = 0;
};

}  // namespace pelmora
