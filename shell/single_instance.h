#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;

namespace pelmora {

// One poller per program name and settings file. The first start listens on
// a local socket; a later start asks it to show its window and ends. A
// socket left behind by a crash answers nobody and is taken over.
class SingleInstance : public QObject {
public:
    SingleInstance();
    ~SingleInstance() override;

    // The socket for `program` with its settings in `settings_file`: under
    // $XDG_RUNTIME_DIR (the temporary folder without it), named for the
    // program and a hash of the settings file's path.
    static QString SocketName(const std::string& program, const std::string& settings_file);
    // True when a running start answered within `wait_ms` and was asked to
    // show its window.
    static bool AskRunningToShow(const QString& name, int wait_ms = 1000);
    // Listens on `name`; each later start runs `show`. False when the socket
    // cannot be made, which costs nothing but the guard.
    bool Listen(const QString& name, std::function<void()> show);

private:
    QLocalServer* m_server;
    std::function<void()> m_show;
};

}  // namespace pelmora
