// Alerts from the window's reads of the simulator to the desktop's
// notification service: a fake one on a private session bus (run under
// dbus-run-session), and none at all (no bus), where nothing is sent and the
// reads keep their pace. The time of day is a fake clock moved 10 s a tick.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fixed_wall_clock.h"
#include "desktop/alert_watch.h"
#include "qt/dbus_notifier.h"
#include "shell/pelmora_window.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "test_support.h"
#include "window_parts.h"

extern char** environ;

namespace pelmora {
namespace {

using namespace std::chrono_literals;

// The freedesktop notification service, keeping each summary it is sent.
class FakeNotifications : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("Notify") || message.arguments().size() != 8) return false;
        summaries.push_back(message.arguments().at(3).toString().toStdString());
        connection.send(message.createReply(QVariant::fromValue(static_cast<uint>(summaries.size()))));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
    std::vector<std::string> summaries;
};

struct Stage {
    std::vector<std::string> simulator;  // its arguments, on the same port each stage
    int ticks;
    bool next_second = false;  // starts once the gateway's clock has moved on a second
};
struct NotifyRow {
    const char* name;
    Alert alert;
    std::vector<Stage> stages;
    std::vector<std::string> told;
};
class NotifyTest : public ::testing::TestWithParam<NotifyRow> {};

// The reads of the window, tick by tick, through the alert watch: the
// service is told once when each condition starts and once when it ends.
TEST_P(NotifyTest, OnceAtTheStartAndOnceAtTheEnd) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) GTEST_SKIP() << "no session bus: see NoBus";
    FakeNotifications service;
    ASSERT_TRUE(bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    test::WindowParts parts;
    FixedWallClock clock(1'800'000'000);
    DBusNotifier notifier("Pelmora");
    AlertWatch alerts(clock, notifier);
    DesktopSettings desktop;
    desktop.alerts[static_cast<std::size_t>(GetParam().alert)] = true;
    desktop.export_threshold_w = 100.0;
    alerts.Configure(desktop);

    std::optional<test::SimulatorProcess> gateway(std::in_place, GetParam().stages.front().simulator);
    const std::string port = std::to_string(gateway->port());
    const std::unique_ptr<Pelmorafrm> window = test::WindowParts::Open(parts.services({&alerts}), gateway->address());
    Pelmorafrm& w = *window;
    for (std::size_t s = 0; s < GetParam().stages.size(); ++s) {
        if (s > 0) {
            if (GetParam().stages[s].next_second) std::this_thread::sleep_for(1100ms);
            gateway.reset();
            std::vector<std::string> args = GetParam().stages[s].simulator;
            args.insert(args.end(), {"--port", port});
            gateway.emplace(args);
        }
        for (int t = 0; t < GetParam().stages[s].ticks; ++t) {
            clock.set(clock.EpochSeconds() + 10);
            w.Timer1_Timer();
            QCoreApplication::processEvents();
        }
    }
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (service.summaries.size() < GetParam().told.size() && std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);  // and nothing more comes
    EXPECT_EQ(service.summaries, GetParam().told);
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

INSTANTIATE_TEST_SUITE_P(Rows, NotifyTest,
                         ::testing::Values(NotifyRow{"stale_with_freeze",
                                                     Alert::Stale,
                                                     {{{"--freeze"}, 9}, {{}, 2, true}},
                                                     {"Gateway data stale", "Gateway data moving again"}},
                                           NotifyRow{"dead_phase",
                                                     Alert::DeadPhase,
                                                     {{{}, 2}, {{"--dead-phase", "2"}, 9}, {{}, 2}},
                                                     {"Phase 2 dead", "Phase 2 back"}},
                                           NotifyRow{"unreachable",
                                                     Alert::Unreachable,
                                                     {{{"--mode", "refuse"}, 33}, {{}, 2}},
                                                     {"Gateway unreachable", "Gateway reachable again"}},
                                           NotifyRow{
                                               "export_stopped",
                                               Alert::ExportStopped,
                                               {{{"--hour", "12"}, 2}, {{"--hour", "6.3"}, 9}, {{"--hour", "12"}, 2}},
                                               {"Export stopped", "Export again"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// A local socket listening at `path`; -1 when it cannot be made.
int listening_at(const std::string& path) {
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::snprintf(where.sun_path, sizeof where.sun_path, "%s", path.c_str());
    if (::bind(listener, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(listener, 16) != 0) {
        ::close(listener);
        return -1;
    }
    return listener;
}

// A bus that takes the connection and never says a word holds up neither
// the alerts' caller nor the notifier's end.
TEST(SilentBus, NotifyNeverWaits) {
    test::TempWorkingFolder folder;
    const std::string path = (folder.path() / "bus").string();
    const int listener = listening_at(path);
    ASSERT_GE(listener, 0);
    const auto began = std::chrono::steady_clock::now();
    {
        DBusNotifier notifier("Pelmora", "unix:path=" + path);
        for (int i = 0; i < 100; ++i) notifier.Notify("Gateway unreachable", "since 12:00");
        EXPECT_LT(std::chrono::steady_clock::now() - began, 1s) << "Notify waited for the bus";
        std::this_thread::sleep_for(1500ms);
        EXPECT_FALSE(notifier.stuck()) << "the greeting's limit let go of the bus";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - began, 6s);
    ::close(listener);
}

// A bus that greets and then stalls the connection's first call: ending the
// notifier says within its bound that the bus still holds it.
TEST(StalledBus, FinishSaysTheBusHoldsTheNotifier) {
    test::TempWorkingFolder folder;
    const std::string path = (folder.path() / "bus").string();
    const int listener = listening_at(path);
    ASSERT_GE(listener, 0);
    std::vector<int> held;
    std::thread greeter([&] {
        // Each connection is greeted and then left without a word.
        for (int i = 0; i < 2; ++i) {
            pollfd p{listener, POLLIN, 0};
            if (::poll(&p, 1, 3000) <= 0) return;
            const int fd = ::accept(listener, nullptr, nullptr);
            char bytes[256];
            (void)::recv(fd, bytes, sizeof bytes, 0);
            const std::string ok = "OK 0123456789abcdef0123456789abcdef\r\n";
            (void)::send(fd, ok.data(), ok.size(), MSG_NOSIGNAL);
            held.push_back(fd);
        }
    });
    DBusNotifier notifier("Pelmora", "unix:path=" + path);
    notifier.Notify("Gateway unreachable", "since 12:00");
    std::this_thread::sleep_for(1500ms);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(notifier.Finish()) << "the stalled call ended";
    EXPECT_LT(std::chrono::steady_clock::now() - began, 3s);
    greeter.join();
    for (const int fd : held) ::close(fd);  // the call fails at once and the thread ends
    ::close(listener);
    std::this_thread::sleep_for(500ms);
}

// A dbus-daemon of the test's own at `address`, stopped when the object goes.
class PrivateBus {
public:
    explicit PrivateBus(const std::string& path) : m_path(path) {
        std::filesystem::remove(path);
        std::vector<std::string> args = {"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                         "--address=unix:path=" + path};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&m_pid, "dbus-daemon", nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
        for (int i = 0; i < 250 && !std::filesystem::exists(path); ++i) std::this_thread::sleep_for(20ms);
    }
    ~PrivateBus() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool running() const { return m_pid > 0 && std::filesystem::exists(m_path); }

private:
    std::string m_path;
    pid_t m_pid = -1;
};

// The notification service on `bus`, on a connection of its own named `name`.
struct ServiceOn {
    ServiceOn(const std::string& address, const QString& name)
        : name(name), bus(QDBusConnection::connectToBus(QString::fromStdString(address), name)) {
        bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service);
        bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~ServiceOn() { QDBusConnection::disconnectFromBus(name); }
    // Sends `summary` until it arrives, for at most fifteen seconds: on a
    // loaded machine the notifier's reconnect to a restarted bus takes a while.
    bool told(DBusNotifier& notifier, const std::string& summary) {
        const auto until = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < until) {
            notifier.Notify(summary, "");
            for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (std::find(service.summaries.begin(), service.summaries.end(), summary) != service.summaries.end())
                return true;
        }
        return false;
    }
    QString name;
    QDBusConnection bus;
    FakeNotifications service;
};

// After the bus restarts, notifications arrive again on a new connection.
TEST(RestartedBus, NotificationsArriveAgain) {
    test::TempWorkingFolder folder;
    const std::string path = (folder.path() / "bus").string();
    const std::string address = "unix:path=" + path;
    DBusNotifier notifier("Pelmora", address);
    {
        PrivateBus bus(path);
        if (!bus.running()) GTEST_SKIP() << "no dbus-daemon";
        ServiceOn service(address, QStringLiteral("first-service"));
        EXPECT_TRUE(service.told(notifier, "Gateway unreachable"));
    }
    PrivateBus again(path);
    ASSERT_TRUE(again.running());
    ServiceOn service(address, QStringLiteral("second-service"));
    EXPECT_TRUE(service.told(notifier, "Gateway reachable again"));
}

// Without a session bus every alert condition comes and goes unsaid, and a
// read with alerts on costs what one without does.
TEST(NoBus, NothingIsSentAndReadsKeepTheirPace) {
    if (QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "a session bus: see NotifyTest";
    test::WindowParts parts;
    test::SimulatorProcess gateway({"--freeze"});
    FixedWallClock clock(1'800'000'000);
    DBusNotifier notifier("Pelmora");
    AlertWatch alerts(clock, notifier);
    DesktopSettings desktop;
    desktop.alerts.fill(true);
    alerts.Configure(desktop);
    const std::unique_ptr<Pelmorafrm> window = test::WindowParts::Open(parts.services({&alerts}), gateway.address());
    Pelmorafrm& w = *window;
    const auto began = std::chrono::steady_clock::now();
    for (int t = 0; t < 20; ++t) {
        clock.set(clock.EpochSeconds() + 10);
        w.Timer1_Timer();
        EXPECT_NE(w.text("TimeStamp"), "Wrong/No IP address");
    }
    // 20 reads on loopback: a generous bound, far above what they take.
    EXPECT_LT(std::chrono::steady_clock::now() - began, 10s);
}

}  // namespace
}  // namespace pelmora
