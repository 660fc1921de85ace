// Pelmora: the window on a solar gateway's meters. Wires the real clock,
// request, files, zone, settings and About box into the window.
#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <memory>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>
#include <sys/socket.h>
#include <unistd.h>

#include "app/core_services.h"
#include "app/program_folders.h"
#include "app/window_start.h"
#include "posix/system_calendar.h"
#include "posix/system_wall_clock.h"
#include "posix/steady_tick_source.h"
#include "curl/curl_https_transport.h"
#include "curl/url_launch.h"
#include "posix/file_secret_store.h"
#include "desktop/autostart.h"
#include "desktop/desktop_entry_start.h"
#include "qt/dbus_notifier.h"
#include "mqtt/mosquitto_bus.h"
#include "posix/user_folders.h"
#include "qt/keychain_secret_store.h"
#include "posix/posix_file_system.h"
#include "qt/qt_message_box.h"
#include "qt/qt_regional_format.h"
#include "qt/qt_settings_store.h"
#include "posix/system_time_zone.h"
#include "shell/display_platform.h"
#include "shell/pelmora_window.h"
#include "shell/single_instance.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

// Never blocks: when the pipe is full, a close is already on its way.
void on_signal(int) {
    const int saved = errno;
    const char byte = 1;
    ssize_t ignored = ::send(g_signal_pipe[1], &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    (void)ignored;
    errno = saved;
}

// What Qt says while the display is opened, held back: a display that
// cannot be opened ends the program with one line instead of Qt's fatal
// advice; otherwise it is passed on once the application stands.
std::vector<std::string>* g_held_messages = nullptr;

void hold_while_opening(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs("Pelmora: no display found: set DISPLAY (or WAYLAND_DISPLAY), or start it in a desktop session\n",
                   stderr);
        std::_Exit(1);
    }
    if (g_held_messages != nullptr) g_held_messages->push_back(message.toStdString());
}

// The program's absolute path as started: the path typed, or the one found
// on PATH; for a bare name found nowhere, the running executable when it
// bears that name, or its sibling of that name; else nothing.
std::string program_path(const QString& started_as, const QString& program) {
    if (started_as.contains('/')) return QFileInfo(started_as).absoluteFilePath().toStdString();
    if (const QString on_path = QStandardPaths::findExecutable(started_as); !on_path.isEmpty())
        return on_path.toStdString();
    const QFileInfo running(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    if (running.fileName() == program) return running.absoluteFilePath().toStdString();
    const QFileInfo sibling(running.absolutePath() + '/' + program);
    return sibling.isExecutable() ? sibling.absoluteFilePath().toStdString() : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    // The executable's name as started (a link keeps its own name), and the
    // whole command line after it. Qt is given none of it, so an argument
    // such as "-reverse" stays part of the address text.
    pelmora::StartInfo start;
    start.executable = argc > 0 ? argv[0] : "Pelmora";
    // --tray starts the window hidden in the tray; it is no part of the address text.
    bool tray_start = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--tray") {
            tray_start = true;
        } else {
            start.arguments.emplace_back(argv[i]);
        }
    }
    if (const std::optional<std::string> answer = pelmora::CommandLineAnswer(start)) {
        std::fputs(answer->c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // In a Wayland session the window takes XWayland, where it can keep its
    // place and stay on top, unless the user chose a platform.
    if (const auto platform = pelmora::ChosenQtPlatform([](const char* name) { return std::getenv(name); })) {
        ::setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
        std::fprintf(stderr,
                     "Pelmora: Wayland session: the window uses XWayland (QT_QPA_PLATFORM=%s) so that it can keep its "
                     "place and stay on top; set QT_QPA_PLATFORM=wayland to choose otherwise\n",
                     platform->c_str());
    }
    int qt_argc = argc > 0 ? 1 : 0;
    char* qt_argv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    std::vector<std::string> held;
    g_held_messages = &held;
    const QtMessageHandler qt_default = qInstallMessageHandler(hold_while_opening);
    QApplication app(qt_argc, qt_argv);
    qInstallMessageHandler(qt_default);
    g_held_messages = nullptr;
    for (const std::string& message : held) std::fprintf(stderr, "%s\n", message.c_str());
    QApplication::setOrganizationName(QStringLiteral("Pelmora"));
    QApplication::setApplicationName(QStringLiteral("Pelmora"));
    QApplication::setWindowIcon(pelmora::ApplicationIcon());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(pelmora::kApplicationId));

    // One poller per program name and settings file: a second start shows
    // the first one's window and ends.
    const QString instance_name = pelmora::SingleInstance::SocketName(
        pelmora::ExecutableBaseName(start.executable), pelmora::QtSettingsStore::FilePath(pelmora::kSettingsApp));
    pelmora::SingleInstance instance;
    if (instance_name.isEmpty()) {
        std::fprintf(stderr,
                     "Pelmora: no folder only this user can write for the one-poller guard; starting without it\n");
    } else if (std::string why; instance.TakeLock(instance_name, &why) == pelmora::SingleInstance::Lock::Unavailable) {
        std::fprintf(stderr, "Pelmora: the one-poller guard cannot take its lock (%s); it goes by its socket alone\n",
                     why.c_str());
        if (pelmora::SingleInstance::AskRunningToShow(instance_name)) return 0;
    } else if (!instance.holds_lock()) {
        // The first start may still be opening its window: it is asked for ten seconds.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < until) {
            if (pelmora::SingleInstance::AskRunningToShow(instance_name)) return 0;
            ::usleep(200 * 1000);
        }
        std::fprintf(stderr, "Pelmora: another start of this program is running but did not answer; ending\n");
        return 1;
    }

    pelmora::SteadyTickSource ticks;
    pelmora::QtRegionalFormat format;
    pelmora::PosixFileSystem files;
    pelmora::SystemTimeZone zone;
    pelmora::QtSettingsStore settings;
    pelmora::QtMessageBox about;

    // The gateway: plain http, or HTTPS with the owner token once one is set;
    // the site, its counters, history, publishing and the alerts over it.
    pelmora::SystemWallClock clock;
    pelmora::SystemCalendar calendar;
    pelmora::KeychainSecretStore keychain(pelmora::kSettingsApp);
    pelmora::FileSecretStore token_file(pelmora::ConfigFilePath("token"));
    pelmora::FileSecretStore password_file(pelmora::ConfigFilePath("mqtt-password"));
    pelmora::CurlHttpsTransport https;
    pelmora::CurlGatewayRequest plain;
    pelmora::MosquittoBus bus;
    const std::string program = pelmora::ExecutableBaseName(start.executable);
    pelmora::DBusNotifier notifier(program);
    pelmora::CoreServices core(pelmora::PlatformServices{
        files, settings, clock, calendar, keychain, token_file, password_file, https, plain, bus, notifier, std::cerr,
        [] { return std::make_unique<pelmora::CurlGatewayRequest>(); },
        [] { return std::make_unique<pelmora::CurlHttpsTransport>(); }, program,
        pelmora::DataFolderPath(pelmora::HistoryFolderName(program)), pelmora::DataFolderPath("counters-" + program)});

    // The desktop: the tray icon, starting with the session.
    const std::string exec_path =
        program_path(QString::fromStdString(start.executable), QString::fromStdString(program));
    pelmora::DesktopEntryStart autostart(
        files, pelmora::AutostartPath(pelmora::ConfigHome(), pelmora::kApplicationId, program), program, exec_path);
    pelmora::DesktopServices desktop{settings, autostart, {}, true};
    pelmora::WindowController* controller = nullptr;  // the window's, once made
    pelmora::QtTrayIcon tray(pelmora::MainWindowTrayActions(controller));

    pelmora::Pelmorafrm window(
        pelmora::ShellServices{core.request(), ticks, format, files, zone, settings, about, &core.access(),
                               &core.publish(), &core.history(), core.finished_reads(), &core.site(), &desktop, &tray,
                               &core.equipment(), &core.tariff_services()},
        start);
    controller = &window.controller();
    about.set_parent(&window);
    if (!instance_name.isEmpty() && !instance.Listen(instance_name, [&window] {
            std::fprintf(stderr, "Pelmora: started again: this window is shown instead\n");
            window.show_in_front();
        }))
        std::fprintf(stderr,
                     "Pelmora: the one-poller guard cannot listen at %s; a second start will not find this one\n",
                     instance_name.toLocal8Bit().constData());

    // SIGINT and SIGTERM close the window the normal way, so the settings are
    // saved when the desktop session ends.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signal_pipe) == 0) {
        std::signal(SIGINT, on_signal);
        std::signal(SIGTERM, on_signal);
        auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
            char bytes[256];
            while (::read(g_signal_pipe[0], bytes, sizeof bytes) > 0) {
            }
            window.Quit();
        });
    }

    pelmora::StartMainWindow(window.controller(), core, desktop, tray_start);
    // Why a token that is there cannot be used (a file others can read, say).
    QTimer::singleShot(
        std::chrono::milliseconds(pelmora::SecretStore::kSecretStoreWait) + std::chrono::milliseconds(100), &window,
        [&core] {
            if (const std::string problem = core.keeper().Problem(); !problem.empty())
                std::fprintf(stderr, "Pelmora: %s\n", problem.c_str());
        });
    if (qEnvironmentVariableIsSet("PELMORA_CLOSE_WHEN_SHOWN")) {
        // For start-up measurements: close once the window has been shown and painted.
        QTimer::singleShot(0, &window, [&window] {
            window.repaint();
            window.Quit();
        });
    }
    const int status = QApplication::exec();
    core.Close();
    // A bus that holds a notification up would hold up the end as well.
    if (!notifier.Finish()) std::_Exit(status);
    return status;
}
