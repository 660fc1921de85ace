#include "qt/dbus_notifier.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace pelmora {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGreetingLimit = std::chrono::milliseconds(1000);
constexpr auto kStuckAfter = std::chrono::seconds(3);
constexpr std::size_t kMaxWaiting = 16;

// The session bus's address as libdbus would find it, without autolaunching one.
std::string session_address() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0')
        return address;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0')
        return std::string("unix:path=") + runtime + "/bus";
    return {};
}

// D-Bus's %XX escapes undone.
std::string unescaped(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            out += static_cast<char>(std::strtol(value.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

// The socket of the first unix entry of `address`; sun_path empty when none.
sockaddr_un socket_of(const std::string& address, socklen_t& length) {
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    length = 0;
    const std::string first = address.substr(0, address.find(';'));
    if (!first.starts_with("unix:")) return where;
    std::size_t at = 5;
    while (at < first.size()) {
        const std::size_t end = std::min(first.find(',', at), first.size());
        const std::string pair = first.substr(at, end - at);
        const bool abstract = pair.starts_with("abstract=");
        if (pair.starts_with("path=") || abstract) {
            const std::string path = unescaped(pair.substr(pair.find('=') + 1));
            if (path.size() + 1 >= sizeof where.sun_path) return where;
            std::memcpy(where.sun_path + (abstract ? 1 : 0), path.data(), path.size());
            length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + (abstract ? 1 : 0));
            return where;
        }
        at = end + 1;
    }
    return where;
}

// True when the bus at `address` greets an EXTERNAL authentication with
// "OK" within the limit; a bus that takes the connection and says nothing
// is no bus.
bool bus_answers(const std::string& address) {
    socklen_t length = 0;
    const sockaddr_un where = socket_of(address, length);
    if (length == 0) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&where), length) == 0) {
        std::string hello(1, '\0');
        hello += "AUTH EXTERNAL ";
        for (const char c : std::to_string(::getuid())) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
            hello += hex;
        }
        hello += "\r\n";
        const auto deadline = Clock::now() + kGreetingLimit;
        std::string said;
        if (::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(hello.size())) {
            while (said.find("\r\n") == std::string::npos && said.size() < 512 && Clock::now() < deadline) {
                pollfd p{fd, POLLIN, 0};
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                if (::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) break;
                char bytes[256];
                const ssize_t got = ::recv(fd, bytes, sizeof bytes, 0);
                if (got <= 0) break;
                said.append(bytes, static_cast<std::size_t>(got));
            }
        }
        ok = said.starts_with("OK ");
    }
    ::close(fd);
    return ok;
}

struct Note {
    std::string summary;
    std::string body;
};

}  // namespace

struct DBusNotifier::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Note> waiting;
    bool ending = false;
    bool done = false;
    std::atomic<bool> busy{false};
    std::atomic<Clock::rep> busy_since{0};
};

namespace {

// The notifier's thread: one connection of its own, made again when the bus
// dropped it.
void serve(const std::shared_ptr<DBusNotifier::Shared>& shared, const std::string& application,
           const std::string& address) {
    int generation = 0;
    QString name;
    for (;;) {
        Note note;
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->ending || !shared->waiting.empty(); });
            if (shared->ending) break;
            note = std::move(shared->waiting.front());
            shared->waiting.pop_front();
        }
        shared->busy_since = Clock::now().time_since_epoch().count();
        shared->busy = true;
        if (!name.isEmpty() && !QDBusConnection(name).isConnected()) {
            QDBusConnection::disconnectFromBus(name);
            name.clear();
        }
        if (name.isEmpty() && bus_answers(address)) {
            name = QStringLiteral("pelmora-notifier-%1").arg(++generation);
            if (!QDBusConnection::connectToBus(QString::fromStdString(address), name).isConnected()) {
                QDBusConnection::disconnectFromBus(name);
                name.clear();
            }
        }
        if (!name.isEmpty()) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
            call << QString::fromStdString(application) << 0u << QStringLiteral("org.pelmora.Pelmora")
                 << QString::fromStdString(note.summary) << QString::fromStdString(note.body) << QStringList()
                 << QVariantMap() << -1;
            QDBusConnection(name).send(call);
        }
        shared->busy = false;
    }
    if (!name.isEmpty()) QDBusConnection::disconnectFromBus(name);
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->done = true;
    shared->wake.notify_all();
}

}  // namespace

DBusNotifier::DBusNotifier(std::string application, std::string bus_address)
    : m_application(std::move(application)), m_shared(std::make_shared<Shared>()) {
    std::string address = bus_address.empty() ? session_address() : std::move(bus_address);
    m_thread = std::thread(serve, m_shared, m_application, std::move(address));
}

DBusNotifier::~DBusNotifier() { Finish(); }

bool DBusNotifier::Finish() {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    if (!m_thread.joinable()) return m_shared->done;
    m_shared->ending = true;
    m_shared->waiting.clear();
    m_shared->wake.notify_all();
    const bool done = m_shared->wake.wait_for(lock, std::chrono::seconds(2), [this] { return m_shared->done; });
    lock.unlock();
    if (done) {
        m_thread.join();
    } else {
        m_thread.detach();
    }
    return done;
}

void DBusNotifier::Notify(const std::string& summary, const std::string& body) {
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->waiting.size() >= kMaxWaiting) return;
        m_shared->waiting.push_back(Note{summary, body});
    }
    m_shared->wake.notify_one();
}

bool DBusNotifier::stuck() const {
    if (!m_shared->busy) return false;
    const Clock::time_point since{Clock::duration(m_shared->busy_since.load())};
    return Clock::now() - since > kStuckAfter;
}

}  // namespace pelmora
