#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/notifier.h"

namespace pelmora {

// The freedesktop notification service on the session bus. Notify only
// queues: a thread of the notifier's own connects and sends, without waiting
// for the service's answer, so a bus that never answers holds up nothing
// but that thread. The bus must answer its greeting within a second, else
// the notification is dropped; a connection the bus dropped (a restart) is
// made again at the next notification. At most 16 wait; more are dropped.
// Without a session bus nothing is sent.
class DBusNotifier : public Notifier {
public:
    // `bus_address` in D-Bus's form; empty for the session bus of the
    // environment (DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus).
    explicit DBusNotifier(std::string application, std::string bus_address = "");
    // Finish() unless done before.
    ~DBusNotifier() override;

    // Drops what waits and ends the notifier's thread, waiting at most 2 s;
    // false when the bus still holds it up (a process should then end without
    // running its exit handlers, which would tear the bus's connection down
    // under that thread).
    bool Finish();

    void Notify(const std::string& summary, const std::string& body) override;

    // True while the bus has held a send up for more than 3 s: the program
    // should not wait for the bus when it ends.
    bool stuck() const;

    struct Shared;

private:
    std::string m_application;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

}  // namespace pelmora
