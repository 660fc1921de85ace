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

#include "posix/system_calendar.h"
#include "posix/system_wall_clock.h"
#include "posix/steady_tick_source.h"
#include "access/access_request.h"
#include "access/settings_pin_store.h"
#include "access/token_keeper.h"
#include "curl/curl_https_transport.h"
#include "gateway/threaded_side_document.h"
#include "curl/url_launch.h"
#include "posix/file_secret_store.h"
#include "history/history.h"
#include "site/counter_stage.h"
#include "access/token_text.h"
#include "desktop/alert_watch.h"
#include "desktop/autostart.h"
#include "qt/dbus_notifier.h"
#include "site/site_stage.h"
#include "platform/local_calendar.h"
#include "mqtt/mosquitto_bus.h"
#include "posix/user_folders.h"
#include "publish/broker_password.h"
#include "publish/mqtt_settings.h"
#include "publish/publisher.h"
#include "qt/keychain_secret_store.h"
#include "posix/posix_file_system.h"
#include "qt/qt_message_box.h"
#include "qt/qt_regional_format.h"
#include "qt/qt_settings_store.h"
#include "posix/system_time_zone.h"
#include "platform/tick_source.h"
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

// The meter list's own request in token mode: a connection of its own, the
// key pinned now, the token in force; its refusal touches nothing else.
class SideTokenRequest : public pelmora::GatewayRequest {
public:
    SideTokenRequest(const std::string& token, const std::optional<pelmora::CertificateFacts>& pin,
                     const pelmora::WallClock& clock)
        : m_request(m_transport, m_pins, clock) {
        if (pin) m_pins.Save(*pin);
        m_request.set_token(token);
    }
    std::string scheme() override { return m_request.scheme(); }
    std::string launch(const std::string& url) override { return m_request.launch_side(url); }

private:
    pelmora::CurlHttpsTransport m_transport;
    pelmora::MemoryPinStore m_pins;
    pelmora::TokenGatewayRequest m_request;
};

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
    } else if (!instance.TakeLock(instance_name)) {
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

    // The gateway: plain http, or HTTPS with the owner token once one is set.
    // The token is looked up while the window opens.
    pelmora::SystemWallClock clock;
    pelmora::KeychainSecretStore keychain(pelmora::kSettingsApp);
    pelmora::FileSecretStore token_file(pelmora::ConfigFilePath("token"));
    pelmora::TokenKeeper keeper(keychain, token_file, settings, pelmora::kSettingsApp);
    keeper.StartLookup();
    pelmora::SettingsPinStore pins(settings, pelmora::kSettingsApp);
    pelmora::CurlHttpsTransport https;
    pelmora::TokenGatewayRequest token_request(https, pins, clock);
    pelmora::CurlGatewayRequest plain;
    pelmora::AccessRequest request(plain, token_request, keeper);
    pelmora::AccessServices access{keeper, token_request, clock};

    // Publishing over MQTT, when the settings switch it on.
    pelmora::MosquittoBus bus;
    pelmora::Publisher publisher(bus, &clock);
    publisher.set_device_keeper([&settings](const std::string& id) {
        settings.SaveSetting(pelmora::kSettingsApp, pelmora::kMqttSection, pelmora::kDeviceIdKey, id);
    });
    pelmora::FileSecretStore password_file(pelmora::ConfigFilePath("mqtt-password"));
    pelmora::BrokerPassword password(keychain, password_file);
    pelmora::PublishServices publish{settings, password, publisher, bus};

    // The reads' history: day files under the user's data folder.
    pelmora::SystemCalendar calendar;
    pelmora::History history(files, calendar, clock, pelmora::DataFolderPath("history"));
    pelmora::PlausibleReads measured({&publisher, &history}, std::cerr);

    // The meters' lifetime counters, checked from read to read; the second
    // meter counts consumption where the program reads it so.
    pelmora::CounterStage counters(
        pelmora::ExecutableBaseName(start.executable) == pelmora::kConsumptionExecutable, std::cerr, {&measured},
        &files, pelmora::DataFolderPath("counters-" + pelmora::ExecutableBaseName(start.executable)));

    // The whole site by meter, when the gateway lists its meters.
    pelmora::SiteStage site(request, clock, {&counters});
    site.set_access_generation([&keeper] { return keeper.Generation(); });
    // The meter list comes off the reads' thread, each time over a request of its own.
    pelmora::ThreadedSideDocument meter_list;
    site.set_background(&meter_list, [&keeper, &pins, &clock]() -> std::unique_ptr<pelmora::GatewayRequest> {
        const std::optional<std::string> token = keeper.Token();
        if (!token && !keeper.Expected()) return std::make_unique<pelmora::CurlGatewayRequest>();
        if (!token) return nullptr;
        return std::make_unique<SideTokenRequest>(*token, pins.Load(), clock);
    });

    // The desktop: alerts through its notification service, the tray icon,
    // starting with the session.
    const std::string program = pelmora::ExecutableBaseName(start.executable);
    pelmora::DBusNotifier notifier(program);
    pelmora::AlertWatch alerts(clock, notifier);
    alerts.Configure(pelmora::LoadDesktopSettings(settings, pelmora::kSettingsApp));
    alerts.set_token_expiry([&keeper]() -> std::optional<std::int64_t> {
        const std::optional<std::string> token = keeper.Token();
        if (!token) return std::nullopt;
        const pelmora::TokenCheck check = pelmora::DecodeToken(*token);
        return check.facts ? std::optional(check.facts->exp) : std::nullopt;
    });
    const std::string exec_path =
        program_path(QString::fromStdString(start.executable), QString::fromStdString(program));
    pelmora::DesktopServices desktop{
        settings,  files,   pelmora::AutostartPath(pelmora::ConfigHome(), pelmora::kApplicationId, program),
        exec_path, program, {},
        true};
    pelmora::Pelmorafrm* shown = nullptr;  // the window, once made
    pelmora::QtTrayIcon tray(pelmora::TrayActions{
        [&shown] { shown->ShowOrHide(); }, [&shown] { return shown->isVisible() && !shown->isMinimized(); },
        [&shown] { return shown->enabled(); },
        [&shown] {
            if (shown->enabled()) {
                shown->Stopbtn_Click();
            } else {
                shown->Startbtn_Click();
            }
        },
        [&shown] { shown->open_history(); }, [&shown] { shown->open_options(); }, [&shown] { shown->Quit(); }});

    pelmora::Pelmorafrm window(pelmora::ShellServices{request,
                                                      ticks,
                                                      format,
                                                      files,
                                                      zone,
                                                      settings,
                                                      about,
                                                      &access,
                                                      &publish,
                                                      &history,
                                                      {&site, &alerts},
                                                      &site,
                                                      &desktop,
                                                      &tray},
                               start);
    shown = &window;
    desktop.apply = [&window, &alerts](const pelmora::DesktopSettings& d) {
        window.ApplyDesktop(d);
        alerts.Configure(d);
    };
    about.set_parent(&window);
    if (!instance_name.isEmpty())
        instance.Listen(instance_name, [&window] {
            std::fprintf(stderr, "Pelmora: started again: this window is shown instead\n");
            window.showNormal();
            window.raise();
            window.activateWindow();
        });

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

    window.Form_Load();
    if (tray_start) {
        if (tray.visible()) {
            window.hide();
        } else {
            window.showMinimized();
        }
    }
    if (const pelmora::MqttSettings mqtt = pelmora::LoadMqttSettings(settings, pelmora::kSettingsApp); mqtt.enabled) {
        if (const std::string problem = pelmora::MqttSettingsProblem(mqtt); !problem.empty())
            std::fprintf(stderr, "Pelmora: [Mqtt] %s\n", problem.c_str());
        publisher.Configure(mqtt, mqtt.user.empty() ? std::string() : password.Load(), window.text("IP"));
    }
    // Why a token that is there cannot be used (a file others can read, say).
    QTimer::singleShot(
        std::chrono::milliseconds(pelmora::SecretStore::kSecretStoreWait) + std::chrono::milliseconds(100), &window,
        [&keeper] {
            if (const std::string problem = keeper.Problem(); !problem.empty())
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
    publisher.Close();
    history.Flush();
    counters.Flush();
    // A bus that holds a notification up would hold up the end as well.
    if (notifier.stuck()) std::_Exit(status);
    return status;
}
