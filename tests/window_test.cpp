// The Qt window offscreen: design state, geometry in twips, the window menu,
// the settings file, the poll cycle, and one full start against the simulator.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <QXYSeries>
#include <set>
#include <QToolTip>
#include <QGraphicsTextItem>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <sys/stat.h>
#include <fstream>

#include "desktop/desktop_entry_start.h"
#include "posix/system_calendar.h"
#include "fakes/fixed_wall_clock.h"
#include "posix/system_wall_clock.h"
#include "posix/steady_tick_source.h"
#include "access/access_request.h"
#include "fakes.h"
#include "posix/file_secret_store.h"
#include "gateway/threaded_side_document.h"
#include "curl/url_launch.h"
#include "fakes/memory_file_system.h"
#include "qt/qt_regional_format.h"
#include "qt/qt_settings_store.h"
#include "form/window_design.h"
#include "read_fakes.h"
#include "shell/history_window.h"
#include "shell/pelmora_window.h"
#include "shell/site_window.h"
#include "shell/tray_icon.h"
#include "shell_fakes.h"
#include "site/counter_stage.h"
#include "site/site_stage.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "test_support.h"
#include "token_support.h"
#include "window_parts.h"

namespace pelmora {
namespace {

class WindowTest : public ::testing::Test {
protected:
    test::TempWorkingFolder folder;
    test::ScriptedRequest request{{""}};
    test::SteppingTicks ticks;
    test::FixedRegionalFormat format;
    MemoryFileSystem files;
    test::FakeTimeZone zone{ZoneState{2, -60}};
    QtSettingsStore settings;
    test::RecordingMessageBox about;
    std::unique_ptr<Pelmorafrm> window;

    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((folder.path() / "config").string()));
    }
    void TearDown() override { window.reset(); }

    Pelmorafrm& make(const std::string& executable = "Pelmora", std::vector<std::string> arguments = {}) {
        window = std::make_unique<Pelmorafrm>(ShellServices{request, ticks, format, files, zone, settings, about},
                                              StartInfo{executable, std::move(arguments)});
        return *window;
    }
    Pelmorafrm& start(const std::string& executable = "Pelmora", std::vector<std::string> arguments = {}) {
        Pelmorafrm& w = make(executable, std::move(arguments));
        w.Form_Load();
        return w;
    }
    std::filesystem::path settings_file() const { return folder.path() / "config" / "Pelmora" / "Pelmora.conf"; }
    void store(const char* key, const char* value) { store_in("Settings", key, value); }
    void store_in(const char* section, const char* key, const char* value) {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Pelmora", "Pelmora");
        s.setValue(QString(section) + "/" + key, value);
    }
};

// A tray the test looks into.
struct FakeTray : TrayIcon {
    bool available() const override { return has_tray; }
    void set_visible(bool v) override { shown = v; }
    bool visible() const override { return shown; }
    void set_tooltip(const std::string& text) override { tooltip = text; }
    void set_colour(OleColor c) override { colour = c; }
    bool has_tray = true;
    bool shown = false;
    std::string tooltip;
    std::optional<OleColor> colour;
};

class DesktopWindowTest : public WindowTest {
protected:
    FakeTray tray;
    MemoryFileSystem desktop_files;
    std::vector<DesktopSettings> applied;
    const std::string autostart_path = "/c/autostart/org.pelmora.Pelmora.desktop";
    DesktopEntryStart autostart{desktop_files, autostart_path, "Pelmora", "/usr/bin/Pelmora"};
    DesktopServices desktop{settings, autostart,
                            [this](const DesktopSettings& d) {
                                applied.push_back(d);
                                window->ApplyDesktop(d);
                            },
                            true};
    Pelmorafrm& start_desktop() {
        ShellServices services{request, ticks, format, files, zone, settings, about};
        services.desktop = &desktop;
        services.tray = &tray;
        window = std::make_unique<Pelmorafrm>(services, StartInfo{"Pelmora", {}});
        window->Form_Load();
        return *window;
    }
};

// The tray shows the figures and the grid's colour after each read; with
// CloseToTray the close button hides the window, still polling and with its
// settings unsaved, and Quit closes it as the close button does otherwise.
TEST_F(DesktopWindowTest, TrayFollowsTheReadsAndClosingHidesInIt) {
    store_in(kDesktopSection, "Tray", "true");
    store_in(kDesktopSection, "CloseToTray", "true");
    Pelmorafrm& w = start_desktop();
    EXPECT_TRUE(tray.shown);
    request.set_answer(test::ReadFixture("readings.json"));
    w.Timer1_Timer();
    EXPECT_EQ(tray.tooltip, "Pelmora\nProduction 3,785.0 W\nConsumption 446.0 W\nGrid export 3,339.0 W");
    EXPECT_EQ(tray.colour, kExportGreen);
    request.set_answer(test::ReadFixture("site/fw-8.2.4345.json"));
    w.Timer1_Timer();
    EXPECT_EQ(tray.tooltip, "Pelmora\nProduction 807.3 W\nConsumption 1,006.5 W\nGrid import 199.2 W");
    EXPECT_EQ(tray.colour, kImportLightRed);
    request.set_answer("");
    w.Timer1_Timer();
    EXPECT_EQ(tray.tooltip, "Pelmora\nWrong/No IP address");
    EXPECT_EQ(tray.colour, kImportLightRed) << "a failed read keeps the colour";

    w.show();
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.enabled()) << "hidden in the tray, still polling";
    EXPECT_FALSE(std::filesystem::exists(settings_file()) &&
                 test::ReadFile(settings_file()).find("Top=") != std::string::npos);
    w.Quit();
    EXPECT_NE(test::ReadFile(settings_file()).find("Top="), std::string::npos) << "Quit saves as closing does";
}

// The tray's menu says Hide while the window is shown and Show while it is
// not, as a click on the icon does, and Stop or Start as polling stands.
TEST(TrayMenu, SaysWhatAClickWouldDo) {
    bool shown = true;
    bool polling = true;
    int toggles = 0;
    QtTrayIcon tray(
        TrayActions{[&] { ++toggles; }, [&] { return shown; }, [&] { return polling; }, [] {}, {}, {}, [] {}});
    const auto labels = [&tray] {
        tray.refresh_menu();
        std::vector<std::string> texts;
        for (QAction* a : tray.menu()->actions())
            if (!a->isSeparator()) texts.push_back(a->text().toStdString());
        return texts;
    };
    EXPECT_EQ(labels(), (std::vector<std::string>{"Hide", "Stop", "Quit"}));
    shown = false;
    polling = false;
    EXPECT_EQ(labels(), (std::vector<std::string>{"Show", "Start", "Quit"}));
    tray.menu()->actions().front()->trigger();
    EXPECT_EQ(toggles, 1);
}

// The Desktop page keeps [Desktop] and [Alerts], writes the autostart entry
// with --tray when the tray is on, removes it again, and puts the settings
// in force at once.
TEST_F(DesktopWindowTest, DesktopPageSavesAutostartAndApplies) {
    Pelmorafrm& w = start_desktop();
    EXPECT_FALSE(tray.shown);
    const auto on_page = [&](const std::function<void(QWidget&)>& use) {
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            use(*dialog->findChild<QWidget*>("DesktopPage"));
            dialog->findChild<QWidget*>("DesktopPage")->findChild<QPushButton*>("Close")->click();
        });
        w.window_system().dispatch(WM_SYSCOMMAND, kOptionsCommand, 0);
    };
    on_page([](QWidget& page) {
        page.findChild<QCheckBox*>("Tray")->setChecked(true);
        page.findChild<QCheckBox*>("Autostart")->setChecked(true);
        page.findChild<QCheckBox*>("AlertStale")->setChecked(true);
        page.findChild<QLineEdit*>("ExportThreshold")->setText("2500");
        page.findChild<QPushButton*>("Save")->click();
        EXPECT_EQ(page.findChild<QLabel*>("DesktopMessage")->text().toStdString(), "Saved.");
    });
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_TRUE(applied[0].tray && applied[0].alert(Alert::Stale) && !applied[0].alert(Alert::DeadPhase));
    EXPECT_EQ(applied[0].export_threshold_w, 2500.0);
    EXPECT_TRUE(tray.shown);
    const std::string entry = desktop_files.files.at(autostart_path);
    EXPECT_NE(entry.find("Exec=/usr/bin/Pelmora --tray\n"), std::string::npos) << entry;
    EXPECT_NE(test::ReadFile(settings_file()).find("Stale=true"), std::string::npos);

    on_page([](QWidget& page) {
        EXPECT_TRUE(page.findChild<QCheckBox*>("Autostart")->isChecked()) << "read back from the entry";
        page.findChild<QCheckBox*>("Autostart")->setChecked(false);
        page.findChild<QLineEdit*>("ExportThreshold")->setText("lots");
        page.findChild<QPushButton*>("Save")->click();
        EXPECT_NE(page.findChild<QLabel*>("DesktopMessage")->text().toStdString().find("threshold"), std::string::npos);
        page.findChild<QLineEdit*>("ExportThreshold")->setText("0");
        page.findChild<QPushButton*>("Save")->click();
    });
    EXPECT_FALSE(desktop_files.files.contains(autostart_path));
    EXPECT_EQ(applied.size(), 2u) << "a refused threshold saves nothing";
}

// Stopped polling shows in the caption; Stay On Top has its check mark.
TEST_F(WindowTest, StoppedPollingAndStayOnTopShow) {
    Pelmorafrm& w = start();
    const QString polling = w.windowTitle();
    w.Stopbtn_Click();
    EXPECT_EQ(w.windowTitle(), polling + " - stopped");
    EXPECT_EQ(w.caption(), polling.toStdString()) << "the caption as set keeps no note";
    w.Startbtn_Click();
    EXPECT_EQ(w.windowTitle(), polling);
    const auto stay_on_top = [&] {
        std::unique_ptr<QMenu> menu(w.window_system().build_menu(nullptr));
        for (QAction* a : menu->actions()) {
            if (a->data().toULongLong() == kStayOnTopCommand) return a->isCheckable() && a->isChecked();
        }
        ADD_FAILURE() << "no Stay On Top item";
        return false;
    };
    EXPECT_FALSE(stay_on_top());
    w.window_system().dispatch(WM_SYSCOMMAND, kStayOnTopCommand, 0);
    EXPECT_TRUE(stay_on_top());
}

TEST_F(WindowTest, ThirtyFiveControlsInDesignState) {
    Pelmorafrm& w = make();
    int found = 0;
    for (const ControlDesign& d : MainWindowDesign()) {
        const QString name = QString::fromUtf8(d.name.data(), static_cast<int>(d.name.size()));
        QObject* object = w.findChild<QObject*>(name);
        ASSERT_NE(object, nullptr) << d.name;
        ++found;
        if (d.kind == ControlKind::Timer) {
            auto* timer = qobject_cast<QTimer*>(object);
            ASSERT_NE(timer, nullptr);
            EXPECT_EQ(timer->interval(), 1000);
            EXPECT_TRUE(timer->isActive());
            continue;
        }
        auto* widget = qobject_cast<QWidget*>(object);
        EXPECT_EQ(w.text(d.name), std::string(d.text)) << d.name;
        EXPECT_EQ(widget->toolTip().toStdString(), std::string(d.tooltip)) << d.name;
        EXPECT_EQ(widget->font().bold(), d.font != ControlFont::Default) << d.name;
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), d.font == ControlFont::Bold975 ? 9.75 : 8.25) << d.name;
        EXPECT_EQ(widget->geometry(),
                  QRect(qRound(d.left / 15.0), qRound(d.top / 15.0), qRound(d.width / 15.0), qRound(d.height / 15.0)))
            << d.name;
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_EQ(edit->alignment().testFlag(Qt::AlignRight), d.right_aligned) << d.name;
        }
    }
    EXPECT_EQ(found, 35);
    EXPECT_EQ(w.back_color("Grid"), kImportLightRed);
    EXPECT_EQ(w.text("Label5"), "Response time     Delay");
    EXPECT_EQ(w.text("Label6"), "Write?  File to write to");
    EXPECT_EQ(w.tooltip("Zone"), "Delay between requests");
    EXPECT_EQ(w.tooltip("A1"), "Green Export, Red Iimport");
    EXPECT_EQ(w.text("OutFile"), "E:\\Meters.txt");
    EXPECT_EQ(w.value("CreateOutputchk"), 0);
}

TEST_F(WindowTest, TabOrderFollowsTheDesign) {
    Pelmorafrm& w = make();
    std::vector<std::string> expected;
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.kind == ControlKind::TextBox || d.kind == ControlKind::CheckBox || d.kind == ControlKind::CommandButton) {
            expected.emplace_back(d.name);
        }
    }
    std::vector<std::string> chain;
    QWidget* first = w.control("Grid");
    QWidget* at = first;
    do {
        if (at->focusPolicy() & Qt::TabFocus) chain.push_back(at->objectName().toStdString());
        at = at->nextInFocusChain();
    } while (at != first && chain.size() < 64);
    EXPECT_EQ(chain, expected);
}

TEST_F(WindowTest, MyTimeNeverShows) {
    Pelmorafrm& w = start();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.control("MyTime")->isVisible());
}

TEST_F(WindowTest, CaptionAndFirstRunDefaults) {
    Pelmorafrm& w = start();
    EXPECT_EQ(w.windowTitle().toStdString(), "Pelmora V2.5.1");
    EXPECT_EQ(w.text("IP"), "envoy.local");
    EXPECT_EQ(w.text("Zone"), "2");
    EXPECT_EQ(w.form().ZoneOffset, 7200);
    EXPECT_FALSE(w.window_system().topmost());
    // The design client area: 8430 x 1575 twips.
    EXPECT_EQ(w.size(), QSize(562, 105));
}

TEST_F(WindowTest, ConsumptionExecutableRelabelsPhaseBand) {
    Pelmorafrm& w = start("/usr/local/bin/PelmoraB");
    EXPECT_TRUE(w.form().ConsumptionMode);
    EXPECT_EQ(w.text("Label8"), "Solar                 Consumption");
}

TEST_F(WindowTest, SizesAreWholePixels) {
    Pelmorafrm& w = make();
    w.SetHeight(3560);
    EXPECT_EQ(w.Height(), 3555);
    w.SetWidth(4620);
    EXPECT_EQ(w.Width(), 4620);
    w.SetLeft(1500);
    w.SetTop(300);
    EXPECT_EQ(w.Left(), 1500);
    EXPECT_EQ(w.Top(), 300);
}

TEST_F(WindowTest, WindowMenuHoldsPlatformCommandsThenOurs) {
    Pelmorafrm& w = start();
    std::vector<std::pair<std::uintptr_t, std::string>> items;
    for (const auto& item : w.window_system().menu_items()) items.emplace_back(item.id, item.text);
    const std::vector<std::pair<std::uintptr_t, std::string>> expected = {{SC_RESTORE, "Restore"},
                                                                          {SC_MINIMIZE, "Minimize"},
                                                                          {SC_MAXIMIZE, "Maximize"},
                                                                          {SC_CLOSE, "Close"},
                                                                          {0, ""},
                                                                          {1010, "Stay On Top toggle.."},
                                                                          {1011, "Show Settings..."},
                                                                          {1013, "Show Phases..."},
                                                                          {1015, "About..."}};
    EXPECT_EQ(items, expected);
    std::unique_ptr<QMenu> menu(w.window_system().build_menu(nullptr));
    EXPECT_EQ(menu->actions().size(), 9);
}

TEST_F(WindowTest, MenuCommandsResizeAndToggle) {
    Pelmorafrm& w = start();
    QtWindowSystem& system = w.window_system();
    system.dispatch(WM_SYSCOMMAND, 1011, 0);
    EXPECT_EQ(w.Width(), 4620);
    system.dispatch(WM_SYSCOMMAND, 1011, 0);
    EXPECT_EQ(w.Width(), 8670);
    system.dispatch(WM_SYSCOMMAND, 1013, 0);
    EXPECT_EQ(w.Height(), 3555);
    system.dispatch(WM_SYSCOMMAND, 1013, 0);
    EXPECT_EQ(w.Height(), 2160);
    QTest::mouseDClick(w.control("IP"), Qt::LeftButton);
    EXPECT_EQ(w.Width(), 4575);
    system.dispatch(WM_SYSCOMMAND, 1011, 0);
    EXPECT_EQ(w.Width(), 8670);
    QTest::mouseDClick(w.control("Grid"), Qt::LeftButton);
    EXPECT_EQ(w.Height(), 3555);
    system.dispatch(WM_SYSCOMMAND, 1015, 0);
    ASSERT_EQ(about.shown.size(), 1u);
    EXPECT_EQ(about.shown[0].title, "About");
}

TEST_F(WindowTest, StayOnTopTwice) {
    Pelmorafrm& w = start();
    w.window_system().dispatch(WM_SYSCOMMAND, 1010, 0);
    EXPECT_TRUE(w.globals().OnTopFlag);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(w.isVisible());
    w.window_system().dispatch(WM_SYSCOMMAND, 1010, 0);
    EXPECT_FALSE(w.globals().OnTopFlag);
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(w.isVisible());
}

TEST_F(WindowTest, PlatformCommandPassesThrough) {
    Pelmorafrm& w = start();
    w.window_system().dispatch(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(w.isMinimized());
    w.window_system().dispatch(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(w.isMinimized());
    w.window_system().dispatch(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(std::filesystem::exists(settings_file()));
}

TEST_F(WindowTest, TickingWriteNarrowsWindow) {
    Pelmorafrm& w = start();
    qobject_cast<QCheckBox*>(w.control("CreateOutputchk"))->click();
    EXPECT_EQ(w.value("CreateOutputchk"), 1);
    EXPECT_EQ(w.Width(), 4620);
    w.SetWidth(8670);
    qobject_cast<QCheckBox*>(w.control("CreateOutputchk"))->click();
    EXPECT_EQ(w.Width(), 8670);
}

TEST_F(WindowTest, ColoursAreOleValuesAndWindowColourRestoresBase) {
    Pelmorafrm& w = make();
    QWidget* g1 = w.control("G1");
    const QColor base = g1->palette().color(QPalette::Base);
    w.set_back_color("G1", kExportGreen);
    EXPECT_EQ(g1->palette().color(QPalette::Base), QColor(0, 255, 0));
    w.set_back_color("G1", kImportLightRed);
    EXPECT_EQ(g1->palette().color(QPalette::Base), QColor(255, 128, 128));
    w.set_back_color("G1", kWindowBackground);
    EXPECT_EQ(g1->palette().color(QPalette::Base), base);
    EXPECT_EQ(w.back_color("G1"), kWindowBackground);
}

TEST_F(WindowTest, StoredSettingsAreRestored) {
    store("Top", "450");
    store("Left", "600");
    store("Height", "3560");
    store("Width", "8670");
    store("IP", "10.1.2.3");
    store("Write", "1");
    store("OnTop", "True");
    Pelmorafrm& w = start();
    EXPECT_EQ(w.text("IP"), "10.1.2.3");
    EXPECT_EQ(w.value("CreateOutputchk"), 1);
    EXPECT_EQ(w.Width(), 4620);  // the check box's reaction replaces the stored width
    EXPECT_EQ(w.Height(), 3555);
    EXPECT_EQ(w.Top(), 450);
    EXPECT_TRUE(w.globals().OnTopFlag);
    EXPECT_TRUE(w.window_system().topmost());
}

// A place on a monitor removed since, or a hand-edited Left: the title bar
// comes back within reach, the size as it was.
TEST_F(WindowTest, ARestoredPlaceOffTheScreenComesBackWithinReach) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* place : {"Left=13500000\nTop=300", "Left=-90000\nTop=13500000"}) {
        std::filesystem::create_directories(settings_file().parent_path());
        std::ofstream(settings_file()) << "[Settings]\n" << place << "\nHeight=3560\nWidth=8670\nIP=x\nWrite=0\n";
        Pelmorafrm& w = start();
        const QRect frame = w.frameGeometry();
        EXPECT_LE(frame.left(), available.right() - 99) << place;
        EXPECT_GE(frame.right(), available.left() + 99) << place;
        EXPECT_GE(frame.top(), available.top()) << place;
        EXPECT_LT(frame.top(), available.bottom()) << place;
        EXPECT_EQ(w.Width(), 8670) << place;
        w.close();
    }
}

// A file written by hand: an enormous size is held to the screen, and values
// with an unquoted "," keep their text.
TEST_F(WindowTest, HandWrittenSettingsFile) {
    std::filesystem::create_directories(settings_file().parent_path());
    std::ofstream(settings_file()) << "[Settings]\nTop=0\nLeft=1,500\nHeight=99999999\nWidth=99999999\n"
                                      "IP=10.0.0.1,8080\nWrite=0\n";
    Pelmorafrm& w = start();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(w.Height(), available.height() * 15);
    EXPECT_LE(w.Width(), available.width() * 15);
    EXPECT_EQ(w.Left(), 1500);
    EXPECT_EQ(w.text("IP"), "10.0.0.1,8080");
    w.repaint();
    w.close();
    Pelmorafrm& next = start();
    EXPECT_EQ(next.text("IP"), "10.0.0.1,8080");
}

struct OddSettingsRow {
    const char* name;
    bool link;    // a symbolic link to the odd file rather than the file itself
    bool folder;  // a folder rather than a FIFO
};
class OddSettingsFileTest : public WindowTest, public ::testing::WithParamInterface<OddSettingsRow> {};

// Anything but a regular file at the settings path is neither read (a FIFO
// would block the start) nor replaced: the window starts from the defaults.
TEST_P(OddSettingsFileTest, IsLeftAlone) {
    std::filesystem::create_directories(settings_file().parent_path());
    const std::filesystem::path odd = GetParam().link ? folder.path() / "odd" : settings_file();
    if (GetParam().folder) {
        std::filesystem::create_directory(odd);
    } else {
        ASSERT_EQ(::mkfifo(odd.c_str(), 0600), 0);
    }
    if (GetParam().link) std::filesystem::create_symlink(odd, settings_file());
    ::testing::internal::CaptureStderr();
    Pelmorafrm& w = start("Pelmora", {"10.9.8.7"});
    w.close();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("is not a regular file"), std::string::npos) << said;
    EXPECT_EQ(std::filesystem::is_symlink(settings_file()), GetParam().link);
    EXPECT_EQ(std::filesystem::status(settings_file()).type(),
              GetParam().folder ? std::filesystem::file_type::directory : std::filesystem::file_type::fifo);
}

INSTANTIATE_TEST_SUITE_P(Rows, OddSettingsFileTest,
                         ::testing::Values(OddSettingsRow{"fifo", false, false},
                                           OddSettingsRow{"link_to_fifo", true, false},
                                           OddSettingsRow{"folder", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A lock on the settings file that another holder keeps delays the close by
// about 2 s at most, and says the settings were not saved.
TEST_F(WindowTest, HeldSettingsLockBoundsTheClose) {
    Pelmorafrm& w = start("Pelmora", {"10.9.8.7"});
    std::filesystem::create_directories(settings_file().parent_path());
    QLockFile held(QString::fromStdString(settings_file().string() + ".lock"));
    ASSERT_TRUE(held.lock());
    ::testing::internal::CaptureStderr();
    const auto begin = std::chrono::steady_clock::now();
    w.close();
    const auto took = std::chrono::steady_clock::now() - begin;
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_LT(took, std::chrono::seconds(6));
    EXPECT_NE(said.find(".lock is held by another program"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(settings_file()));
}

TEST_F(WindowTest, ClosingSavesSettingsEvenWhenNothingChanged) {
    Pelmorafrm& w = start("Pelmora", {"192.168.7.7"});
    w.set_text("IP", "");
    const int width = w.Width();
    w.close();
    const std::string saved = test::ReadFile(settings_file());
    EXPECT_NE(saved.find("[Settings]"), std::string::npos);
    EXPECT_NE(saved.find("IP="), std::string::npos);
    EXPECT_NE(saved.find("OnTop=False"), std::string::npos);
    EXPECT_NE(saved.find("Width=" + std::to_string(width)), std::string::npos);
    Pelmorafrm& next = start();
    EXPECT_EQ(next.text("IP"), "");
}

TEST_F(WindowTest, StartAndStopSwitchTheTimer) {
    Pelmorafrm& w = start();
    QTimer* timer = w.findChild<QTimer*>("Timer1");
    qobject_cast<QPushButton*>(w.control("Stopbtn"))->click();
    EXPECT_FALSE(timer->isActive());
    qobject_cast<QPushButton*>(w.control("Stopbtn"))->click();
    EXPECT_FALSE(timer->isActive());
    qobject_cast<QPushButton*>(w.control("Startbtn"))->click();
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(request.urls.empty());  // no button reads
}

TEST_F(WindowTest, DelayAppliesWhenFocusLeaves) {
    Pelmorafrm& w = start();
    QTimer* timer = w.findChild<QTimer*>("Timer1");
    w.set_text("Delay", "5000");
    EXPECT_EQ(timer->interval(), 1000);
    w.Delay_LostFocus();
    EXPECT_EQ(timer->interval(), 5000);
    w.set_text("Delay", "soon");
    w.Delay_LostFocus();
    EXPECT_EQ(timer->interval(), 5000);
    EXPECT_EQ(w.text("Delay"), "5000");
}

TEST_F(WindowTest, DelayAppliesOnlyWhenFocusMovesToAnotherControl) {
    Pelmorafrm& w = start();
    QTimer* timer = w.findChild<QTimer*>("Timer1");
    QWidget* delay = w.control("Delay");
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    delay->setFocus(Qt::MouseFocusReason);
    w.set_text("Delay", "5000");

    QMenu menu;
    menu.addAction("Stay On Top");
    menu.popup(w.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(timer->interval(), 1000) << "the window menu opened";
    menu.close();

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(timer->interval(), 1000) << "another window took the focus";
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_EQ(QApplication::focusWidget(), delay);

    QTest::keyClick(delay, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), delay);
    EXPECT_EQ(timer->interval(), 5000) << "Tab to the next control";
}

TEST_F(WindowTest, ReadsThatFailTwiceNeverEndTheProgram) {
    Pelmorafrm& w = start();
    request.set_answer("\"timestamp\": x,\"activePower\": 5,\"timestamp\": y");
    w.Timer1_Timer();
    w.Timer1_Timer();
    EXPECT_EQ(w.poll().escaped_failures(), 2u);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.text("MyTime"), "10:11:12");
    request.set_answer(test::ReadFixture("readings.json"));
    w.Timer1_Timer();
    EXPECT_EQ(w.text("Production"), "3,785.0");
    EXPECT_EQ(w.poll().escaped_failures(), 2u);
}

TEST_F(WindowTest, UnreachableGatewayShowsMessage) {
    Pelmorafrm& w = start();
    w.Timer1_Timer();
    EXPECT_EQ(w.text("TimeStamp"), "Wrong/No IP address");
    EXPECT_EQ(w.text("Turnaround"), "87 ms");
    ASSERT_EQ(request.urls.size(), 1u);
    EXPECT_EQ(request.urls[0], "http://envoy.local/ivp/meters/readings");
}

struct GeneralDateRow {
    const char* name;
    const char* locale;
    const char* midnight;
    const char* evening;
};
class GeneralDateTest : public ::testing::TestWithParam<GeneralDateRow> {};

// Midnight shows the date alone, any other time the seconds too; the year
// always has four digits.
TEST_P(GeneralDateTest, InTheLocalesForm) {
    const QtRegionalFormat format{QLocale(QString::fromLatin1(GetParam().locale))};
    EXPECT_EQ(format.general_date({2023, 11, 14, 0, 0, 0}), GetParam().midnight);
    EXPECT_EQ(format.general_date({2023, 11, 14, 23, 13, 20}), GetParam().evening);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GeneralDateTest,
    ::testing::Values(GeneralDateRow{"c_is_iso", "C", "2023-11-14", "2023-11-14 23:13:20"},
                      GeneralDateRow{"en_US_two_digit_year", "en_US", "11/14/2023", "11/14/2023 11:13:20 PM"},
                      GeneralDateRow{"de_DE_two_digit_year", "de_DE", "14.11.2023", "14.11.2023 23:13:20"},
                      GeneralDateRow{"en_GB_four_already", "en_GB", "14/11/2023", "14/11/2023 23:13:20"}),
    [](const auto& info) { return std::string(info.param.name); });

// The window with the real request and clock on a simulator started with
// `simulator`, its settings in a folder of its own; loaded.
struct StartedWindow {
    explicit StartedWindow(std::vector<std::string> simulator) : gateway(std::move(simulator)) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((folder.path() / "config").string()));
        window = std::make_unique<Pelmorafrm>(ShellServices{request, ticks, format, files, zone, settings, about},
                                              StartInfo{"Pelmora", {gateway.address()}});
        window->Form_Load();
    }
    test::TempWorkingFolder folder;
    test::SimulatorProcess gateway;
    CurlGatewayRequest request;
    SteadyTickSource ticks;
    test::FixedRegionalFormat format;
    MemoryFileSystem files;
    test::FakeTimeZone zone{ZoneState{1, 0}};
    QtSettingsStore settings;
    test::RecordingMessageBox about;
    std::unique_ptr<Pelmorafrm> window;
};

TEST(WindowStart, FullStartAgainstSimulatorShowsFiguresAndSavesOnClose) {
    StartedWindow started({"--seed", "8"});
    Pelmorafrm& w = *started.window;
    const test::SimulatorProcess& gateway = started.gateway;
    EXPECT_EQ(w.text("IP"), gateway.address());
    // The first tick comes about a second after load, without any click.
    for (int i = 0; i < 100 && w.text("Production") == "0"; ++i) QTest::qWait(50);
    EXPECT_NE(w.text("Production"), "0");
    EXPECT_NE(w.text("TimeStamp"), "0");
    EXPECT_TRUE(w.text("Turnaround").ends_with(" ms"));
    w.close();
    const std::string saved = test::ReadFile(started.folder.path() / "config" / "Pelmora" / "Pelmora.conf");
    EXPECT_NE(saved.find("IP=" + gateway.address()), std::string::npos) << saved;
}

// A gateway slower than the interval is read again as soon as each read has
// ended: the tick that fell due meanwhile is not lost.
TEST(WindowStart, SlowGatewayIsReadAtItsOwnPace) {
    StartedWindow started({"--mode", "delay", "--delay-ms", "1500"});
    Pelmorafrm& w = *started.window;
    using Clock = std::chrono::steady_clock;
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.poll().ticks() >= 2; }, 6000));
    const auto first = Clock::now();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.poll().ticks() >= 5; }, 10000));
    const auto period = (Clock::now() - first) / 3;
    EXPECT_GT(period, std::chrono::milliseconds(1400));
    EXPECT_LT(period, std::chrono::milliseconds(1800));
    w.close();
}

}  // namespace
}  // namespace pelmora

namespace pelmora {
namespace {

// The window with token access on a fake HTTPS gateway.
class TokenWindowTest : public WindowTest {
protected:
    const std::int64_t now = 1796688000;
    FixedWallClock clock{now};
    test::SilentSecretStore keychain;
    FileSecretStore file{(folder.path() / "token").string()};
    TokenKeeper keeper{keychain, file, settings, "Pelmora"};
    test::FakeHttpsTransport https;
    MemoryPinStore pins;
    TokenGatewayRequest token_request{https, pins, clock};
    AccessRequest access_request{request, token_request, keeper};
    AccessServices access{keeper, token_request, clock};

    Pelmorafrm& start_with_token() {
        https.document = test::ReadFixture("readings.json");
        window = std::make_unique<Pelmorafrm>(
            ShellServices{access_request, ticks, format, files, zone, settings, about, &access},
            StartInfo{"Pelmora", {}});
        window->Form_Load();
        return *window;
    }
    // Opens Options, runs `use` on the dialog, and closes it.
    void with_options(const std::function<void(QWidget&)>& use) {
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            use(*dialog);
            if (QApplication::activeModalWidget() == dialog) dialog->findChild<QPushButton*>("GatewayClose")->click();
        });
        window->window_system().dispatch(WM_SYSCOMMAND, 1016, 0);
    }
};

// A megabyte pasted into the token box is cut past the longest token at
// once, and Save refuses it.
TEST_F(TokenWindowTest, AHugePasteIsCutAndRefused) {
    start_with_token();
    std::string message;
    qsizetype kept = 0;
    std::chrono::steady_clock::duration took{};
    with_options([&](QWidget& dialog) {
        auto* box = dialog.findChild<QPlainTextEdit*>("Token");
        QApplication::clipboard()->setText(QStringLiteral("eyJ.") + QString(1 << 20, QLatin1Char('e')));
        const auto began = std::chrono::steady_clock::now();
        box->paste();
        QApplication::processEvents();
        took = std::chrono::steady_clock::now() - began;
        kept = box->toPlainText().size();
        dialog.findChild<QPushButton*>("Save")->click();
        message = dialog.findChild<QLabel*>("TokenMessage")->text().toStdString();
    });
    EXPECT_EQ(kept, static_cast<qsizetype>(kLongestToken) + 1);
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_NE(message.find("longer than 8 KiB"), std::string::npos) << message;
}

TEST_F(TokenWindowTest, TokenAccessOptionsCaptionAndOneKeyQuestion) {
    Pelmorafrm& w = start_with_token();
    const auto& items = w.window_system().menu_items();
    ASSERT_EQ(items.back().id, 1016u);
    EXPECT_EQ(items.back().text, "Options...");
    EXPECT_EQ(items[items.size() - 2].text, "About...");

    // A paste that is not a token is refused on the page and nothing is stored.
    std::string message;
    with_options([&](QWidget& dialog) {
        dialog.findChild<QPlainTextEdit*>("Token")->setPlainText("  not a token\n");
        dialog.findChild<QPushButton*>("Save")->click();
        message = dialog.findChild<QLabel*>("TokenMessage")->text().toStdString();
    });
    EXPECT_NE(message.find("not a gateway token"), std::string::npos) << message;
    EXPECT_FALSE(keeper.Token());

    ASSERT_TRUE(keeper.Save(test::OwnerToken(now + 20 * 86400 + 3600)).saved);
    w.Timer1_Timer();
    EXPECT_EQ(w.caption(), "Pelmora V2.5.1 - token expires in 20 days");
    EXPECT_EQ(w.text("Production"), "3,785.0");
    EXPECT_EQ(request.urls.size(), 0u) << "the plain request was used";

    https.key.key_sha256 = "BBBB";
    about.answer = true;
    w.Timer1_Timer();
    EXPECT_EQ(w.text("TimeStamp"), "Certificate changed");
    QCoreApplication::processEvents();
    ASSERT_EQ(about.asked.size(), 1u);
    EXPECT_NE(about.asked[0].find("New key (SHA-256):\n04:10:41"), std::string::npos) << about.asked[0];
    w.Timer1_Timer();
    EXPECT_NE(w.text("TimeStamp"), "Certificate changed");
    EXPECT_EQ(pins.Load()->key_sha256, "BBBB");
}

// The Gateway page tells what the window knows: a token the gateway refused,
// a refused paste once beside the token in force, and a changed certificate
// that was not trusted when asked, with a button that trusts it.
// In token mode a refused read makes the next ones wait, and the window says so.
TEST_F(TokenWindowTest, TokenModeWaitsAfterARefusal) {
    Pelmorafrm& w = start_with_token();
    ASSERT_TRUE(keeper.Save(test::OwnerToken(now + 200 * 86400)).saved);
    https.check_status = 401;
    w.Timer1_Timer();
    EXPECT_EQ(w.text("TimeStamp"), "Token refused");
    w.Timer1_Timer();
    EXPECT_EQ(w.text("TimeStamp"), "Next read in 2 s");
}

TEST_F(TokenWindowTest, GatewayPageShowsRefusalsAndAChangedCertificate) {
    store_in(kGatewaySection, "Backoff", "false");  // every tick reads, refused or not
    Pelmorafrm& w = start_with_token();
    ASSERT_TRUE(keeper.Save(test::OwnerToken(now + 200 * 86400)).saved);
    https.check_status = 401;
    w.Timer1_Timer();
    EXPECT_EQ(w.text("TimeStamp"), "Token refused");
    std::string facts;
    std::string message;
    with_options([&](QWidget& dialog) {
        dialog.findChild<QPlainTextEdit*>("Token")->setPlainText("not a token");
        dialog.findChild<QPushButton*>("Save")->click();
        facts = dialog.findChild<QLabel*>("TokenFacts")->text().toStdString();
        message = dialog.findChild<QLabel*>("TokenMessage")->text().toStdString();
    });
    EXPECT_TRUE(facts.starts_with("Current token: Expires")) << facts;
    EXPECT_NE(facts.find("The gateway refused this token"), std::string::npos) << facts;
    EXPECT_EQ(facts.find("not a gateway token"), std::string::npos) << "said twice: " << facts;
    EXPECT_NE(message.find("not a gateway token"), std::string::npos) << message;

    https.check_status = 200;
    token_request.set_token(std::nullopt);  // a fresh session, as after a new token
    w.Timer1_Timer();
    ASSERT_NE(w.text("TimeStamp"), "Token refused");
    https.key.key_sha256 = "BBBB";
    about.answer = false;
    w.Timer1_Timer();
    QCoreApplication::processEvents();
    ASSERT_EQ(about.asked.size(), 1u);
    w.Timer1_Timer();
    EXPECT_EQ(w.text("TimeStamp"), "Certificate changed");
    std::string key;
    bool trust_shown = false;
    with_options([&](QWidget& dialog) {
        key = dialog.findChild<QPlainTextEdit*>("KeyChange")->toPlainText().toStdString();
        auto* trust = dialog.findChild<QPushButton*>("TrustKey");
        trust_shown = trust->isVisibleTo(&dialog);
        trust->click();
    });
    EXPECT_TRUE(trust_shown);
    EXPECT_NE(key.find("New key (SHA-256):\n04:10:41"), std::string::npos) << key;
    EXPECT_EQ(pins.Load()->key_sha256, "BBBB");
    w.Timer1_Timer();
    EXPECT_NE(w.text("TimeStamp"), "Certificate changed");
    EXPECT_EQ(about.asked.size(), 1u) << "asked once only";
}

}  // namespace
}  // namespace pelmora

namespace pelmora {
namespace {

struct PublishInputRow {
    const char* name;
    const char* host;
    const char* port;
    const char* prefix;
    const char* message;  // a part of what the page says
    const char* interval = "30";
};
// The window with publishing on a recording bus and no secret service.
class PublishWindowTest : public WindowTest {
protected:
    test::RecordingBus bus;
    Publisher publisher{bus};
    test::SilentSecretStore keychain;
    FileSecretStore file{(folder.path() / "mqtt-password").string()};
    BrokerPassword password{keychain, file};
    PublishServices publish{settings, password, publisher, bus};

    void start_publishing_window() {
        window = std::make_unique<Pelmorafrm>(
            ShellServices{
                request, ticks, format, files, zone, settings, about, nullptr, &publish, nullptr, {&publisher}},
            StartInfo{"Pelmora", {}});
        window->Form_Load();
    }
};
class PublishPageTest : public PublishWindowTest, public ::testing::WithParamInterface<PublishInputRow> {};

// The Publish page refuses bad input in words and keeps nothing; good input
// is kept in [Mqtt], applied at once, and the connection's state shows.
TEST_P(PublishPageTest, ChecksThenKeepsAndShowsTheState) {
    const PublishInputRow& row = GetParam();
    bus.state = "Connection Refused: not authorised.";
    start_publishing_window();
    std::string message;
    std::string state;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QCheckBox*>("Enabled")->setChecked(true);
        dialog->findChild<QLineEdit*>("Host")->setText(row.host);
        dialog->findChild<QLineEdit*>("Port")->setText(row.port);
        dialog->findChild<QLineEdit*>("Prefix")->setText(row.prefix);
        dialog->findChild<QLineEdit*>("Interval")->setText(row.interval);
        dialog->findChild<QLineEdit*>("User")->setText("solar");
        dialog->findChild<QLineEdit*>("Password")->setText("wrong");
        dialog->findChild<QPushButton*>("PublishSave")->click();
        message = dialog->findChild<QLabel*>("MqttMessage")->text().toStdString();
        state = dialog->findChild<QLabel*>("MqttState")->text().toStdString();
        dialog->findChild<QPushButton*>("PublishClose")->click();
    });
    window->window_system().dispatch(WM_SYSCOMMAND, 1016, 0);
    EXPECT_NE(message.find(row.message), std::string::npos) << message;
    const std::string saved = test::ReadFile(settings_file());
    const bool good = std::string(row.message) == "Saved.";
    EXPECT_EQ(saved.find("[Mqtt]") != std::string::npos, good) << saved;
    EXPECT_EQ(bus.started.size(), good ? 1u : 0u);
    if (good) {
        EXPECT_EQ(state, bus.state);
        EXPECT_EQ(bus.started[0].password, "wrong");
        EXPECT_EQ(saved.find("wrong"), std::string::npos) << "the password is in the settings file";
        EXPECT_NE(saved.find("Interval=30\n"), std::string::npos) << saved;
        window->Timer1_Timer();
        EXPECT_EQ(window->text("TimeStamp"), "Wrong/No IP address") << "the window reads on";
        ASSERT_EQ(bus.published.size(), 1u);
        EXPECT_EQ(bus.published[0].topic, std::string(row.prefix) + "/envoy_local/error");
    }
}

// With no user name the page saves even where no secret store answers;
// "unchanged" shows only over a kept password; "Saved." goes once the
// connection moves on from the state it was saved in.
TEST_F(PublishWindowTest, PublishPageSavesWithoutASecretStoreAndSaysOnlyWhatHolds) {
    bus.state = "Connected";
    start_publishing_window();
    std::string placeholder, saved, after_loss;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QTest::qWait(600);
        placeholder = dialog->findChild<QLineEdit*>("Password")->placeholderText().toStdString();
        dialog->findChild<QCheckBox*>("Enabled")->setChecked(true);
        dialog->findChild<QLineEdit*>("Host")->setText("127.0.0.1");
        dialog->findChild<QPushButton*>("PublishSave")->click();
        saved = dialog->findChild<QLabel*>("MqttMessage")->text().toStdString();
        bus.state = "Connection lost; trying again";
        QTest::qWait(600);
        after_loss = dialog->findChild<QLabel*>("MqttMessage")->text().toStdString();
        dialog->findChild<QPushButton*>("PublishClose")->click();
    });
    window->window_system().dispatch(WM_SYSCOMMAND, 1016, 0);
    EXPECT_EQ(placeholder, "") << "no password is kept";
    EXPECT_EQ(saved, "Saved.");
    EXPECT_EQ(after_loss, "");
    EXPECT_EQ(bus.started.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PublishPageTest,
    ::testing::Values(PublishInputRow{"good", "127.0.0.1", "1883", "solar", "Saved."},
                      PublishInputRow{"host_with_blanks", "my broker", "1883", "pelmora", "blanks"},
                      PublishInputRow{"port_out_of_range", "broker.lan", "70000", "pelmora", "1 to 65535"},
                      PublishInputRow{"port_not_a_number", "broker.lan", "18x3", "pelmora", "1 to 65535"},
                      PublishInputRow{"prefix_hash", "broker.lan", "1883", "home/#", "\"#\" or \"+\""},
                      PublishInputRow{"prefix_plus", "broker.lan", "1883", "a+b", "\"#\" or \"+\""},
                      PublishInputRow{"interval_zero", "broker.lan", "1883", "pelmora", "1 to 86400", "0"},
                      PublishInputRow{"interval_a_day_and_more", "broker.lan", "1883", "pelmora", "1 to 86400",
                                      "86401"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora

namespace pelmora {
namespace {

// Four hours of one day at constant figures: 2,000 W produced, 500 W used,
// 1,500 W exported.
std::string known_day() {
    std::string text = std::string(kDayFileHeader) + "\n";
    for (int m = 10 * 60; m < 14 * 60; ++m) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "2026-12-07T%02d:%02d:00+00:00,2000.0,500.0,-1500.0,60,33.333,8.333,0.000,25.000\n", m / 60,
                      m % 60);
        text += line;
    }
    return text;
}

class HistoryWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        files.files["/h/2026-12-07.csv"] = known_day();
    }
    SystemCalendar calendar;
    FixedWallClock clock{1796688000 + 86400};
    History history{files, calendar, clock, "/h"};
};

// The totals as they read, each item's no-break spaces as blanks.
std::string totals_of(const HistoryWindow& view) {
    return view.findChild<QLabel*>("Totals")->text().replace(QChar(0x00A0), QLatin1Char(' ')).toStdString();
}

// The chart of a known day, rendered offscreen: each line lies in its colour
// where its figure puts it, the export is shaded green, and the totals read
// as the day's minutes add up, from the first one's time.
TEST_F(HistoryWindowTest, KnownDayDrawsItsLinesAndTotals) {
    HistoryWindow view(history, settings);
    view.resize(900, 520);
    view.ShowRange("2026-12-07");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(totals_of(view),
              "2026-12-07 since 10:00:   Produced 8.0 kWh   Consumed 2.0 kWh   Imported 0.0 kWh   Exported 6.0 kWh   "
              "Self-consumption 25 %   Self-sufficiency 100.0 %   (Covers 240 of 1,440 minutes)");
    auto* chart_view = view.findChild<QChartView*>();
    const QImage image = chart_view->grab().toImage();
    const qreal noon = 1796644800.0 * 1000.0;  // 2026-12-07T12:00:00Z
    auto colour_near = [&](qreal value, const QColor& wanted) {
        QAbstractSeries* any = view.chart()->series().front();
        const QPoint at =
            chart_view->mapFromScene(view.chart()->mapToScene(view.chart()->mapToPosition({noon, value}, any)));
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor c = image.pixelColor(at.x(), at.y() + dy);
            if (std::abs(c.red() - wanted.red()) < 40 && std::abs(c.green() - wanted.green()) < 40 &&
                std::abs(c.blue() - wanted.blue()) < 40)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(colour_near(2000.0, QColor(230, 150, 0))) << "production";
    EXPECT_TRUE(colour_near(500.0, QColor(40, 90, 200))) << "consumption";
    EXPECT_TRUE(colour_near(-1500.0, QColor(90, 90, 90))) << "grid";
    EXPECT_FALSE(colour_near(1000.0, QColor(230, 150, 0))) << "production where there is none";
    const QColor shade = [&] {
        QAbstractSeries* any = view.chart()->series().front();
        const QPoint at =
            chart_view->mapFromScene(view.chart()->mapToScene(view.chart()->mapToPosition({noon, -750.0}, any)));
        return image.pixelColor(at);
    }();
    EXPECT_GT(shade.green(), 200);
    EXPECT_LT(shade.red(), 200);
    EXPECT_EQ(view.points().size(), 240u);
}

// Opened from the window menu; the range is kept in [History] on close, and
// a folder that cannot be written is said on the window.
TEST_F(HistoryWindowTest, OpensFromTheMenuKeepsItsRangeAndSaysWhatIsNotKept) {
    files.fail_append = true;
    window = std::make_unique<Pelmorafrm>(
        ShellServices{request, ticks, format, files, zone, settings, about, nullptr, nullptr, &history, {&history}},
        StartInfo{"Pelmora", {}});
    window->Form_Load();
    const auto& items = window->window_system().menu_items();
    ASSERT_EQ(items.back().id, 1017u);
    EXPECT_EQ(items.back().text, "History...");
    for (std::int64_t t = 0; t < 90; ++t) history.Add({1796688000 + t, 100.0, 50.0, 50.0});
    window->window_system().dispatch(WM_SYSCOMMAND, 1017, 0);
    const QWidgetList shown = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QWidget* w) {
        return w->objectName() == QStringLiteral("HistoryWindow") && w->isVisible();
    }));
    HistoryWindow& opened = window->open_history();  // the one the menu opened
    EXPECT_EQ(opened.range(), "today");
    EXPECT_NE(opened.findChild<QLabel*>("HistoryProblem")->text().toStdString().find("Nothing is being kept"),
              std::string::npos);
    EXPECT_EQ(opened.points().size(), 2u);
    opened.ShowRange("2026-12-07");
    window->close();
    EXPECT_NE(test::ReadFile(settings_file()).find("Range=2026-12-07"), std::string::npos);
}

// A stored size larger than the screen is cut to its free area; a closed
// window reopens where it was; the range list is read again each time it
// opens; a file that is not a day file says so instead of showing nothing.
TEST_F(HistoryWindowTest, FitsTheScreenKeepsItsPlaceAndListsNewDays) {
    settings.SaveSetting(kSettingsApp, kHistorySection, "Width", "99999999");
    settings.SaveSetting(kSettingsApp, kHistorySection, "Height", "99999999");
    window = std::make_unique<Pelmorafrm>(
        ShellServices{request, ticks, format, files, zone, settings, about, nullptr, nullptr, &history, {&history}},
        StartInfo{"Pelmora", {}});
    window->Form_Load();
    HistoryWindow& view = window->open_history();
    const QRect room = view.screen()->availableGeometry();
    EXPECT_LE(view.width(), room.width());
    EXPECT_LE(view.height(), room.height());
    view.resize(400, 300);
    view.move(room.left() + 120, room.top() + 90);
    const QPoint place = view.pos();
    view.close();
    EXPECT_EQ(window->open_history().pos(), place);

    auto* range = view.findChild<QComboBox*>("Range");
    const int listed = range->count();
    files.files["/h/2026-12-06.csv"] = "\x01garbage\n\x02more\n";
    range->showPopup();
    range->hidePopup();
    ASSERT_EQ(range->count(), listed + 1);
    EXPECT_EQ(range->currentText(), QStringLiteral("Today")) << "the range shown stays chosen";
    view.ShowRange("2026-12-06");
    EXPECT_NE(view.findChild<QLabel*>("HistoryProblem")->text().toStdString().find("is not a day file"),
              std::string::npos);
    EXPECT_TRUE(view.points().empty());
}

// Answers the meter list path with `meters`, every other path with `readings`.
class SiteGatewayRequest : public GatewayRequest {
public:
    std::string launch(const std::string& url) override { return url.ends_with("/ivp/meters") ? meters : readings; }
    std::string readings;
    std::string meters;
};

// On a battery site a Battery row appears under Grid with the house load
// beside it, and what is below moves down a row; Consumption keeps its
// meaning. A gateway without a meter list leaves the window as it was.
TEST_F(WindowTest, ABatterySiteShowsItsBatteryRow) {
    SiteGatewayRequest site_request;
    site_request.readings = test::ReadFixture("site/fw-8.2.4286-battery.json");
    site_request.meters = "<html><body><h1>404 Not Found</h1></body></html>";
    FixedWallClock clock(1796688000);
    SiteStage site(site_request, clock, {});
    window = std::make_unique<Pelmorafrm>(
        ShellServices{
            site_request, ticks, format, files, zone, settings, about, nullptr, nullptr, nullptr, {&site}, &site},
        StartInfo{"Pelmora", {}});
    Pelmorafrm& w = *window;
    w.Form_Load();
    w.show();
    const int g1_top = w.control("G1")->y();
    w.Grid_DblClick();
    const int margin = w.height() - w.control("A3")->geometry().bottom();  // under the phase band, shown
    w.Grid_DblClick();
    const int height = w.Height();
    w.Timer1_Timer();
    EXPECT_EQ(w.control("Battery"), nullptr) << "no meter list, no battery row";
    EXPECT_EQ(w.text("Consumption"), "8,880.5");
    const std::string g3 = w.text("G3");

    // Production and net alone, split phase: nothing more, nothing changes.
    site_request.meters = R"([{"eid":704643328,"state":"enabled","measurementType":"production","phaseCount":2},)"
                          R"({"eid":704643584,"state":"enabled","measurementType":"net-consumption","phaseCount":2}])";
    w.set_text("IP", "192.168.1.20");
    w.Timer1_Timer();
    ASSERT_TRUE(site.meters());
    EXPECT_EQ(w.text("G3"), g3);
    EXPECT_EQ(w.control("Battery"), nullptr);

    site_request.meters = test::ReadFixture("site/fw-8.2.4286-battery-meters.json");
    w.IP_DblClick();  // any change of address asks for the list again
    w.set_text("IP", "192.168.1.21");
    w.Timer1_Timer();
    ASSERT_NE(w.control("Battery"), nullptr);
    EXPECT_TRUE(w.control("Battery")->isVisible());
    EXPECT_EQ(w.text("Battery"), "-7,083.7");
    EXPECT_EQ(w.back_color("Battery"), 0x00FFE0A0u) << "light blue: charging";
    EXPECT_EQ(w.text("HouseLoad"), "1,796.9");
    EXPECT_EQ(w.text("Consumption"), "8,880.5") << "Consumption keeps its meaning";
    EXPECT_EQ(w.control("G1")->y(), g1_top + 24) << "the phase band moves down one row";
    EXPECT_EQ(w.text("G3"), "") << "a split-phase site has no phase 3, whatever channel 3 carries";
    EXPECT_EQ(w.text("S3"), "");
    EXPECT_EQ(w.text("G2"), "939.6");
    EXPECT_EQ(w.Height(), height) << "the frame's height leaves the row out";
    w.Grid_DblClick();
    EXPECT_EQ(w.Height(), 3555) << "the phase band still unfolds";
    EXPECT_EQ(w.height() - w.control("A3")->geometry().bottom(), margin) << "and shows whole, one row lower";
    w.Grid_DblClick();
    EXPECT_EQ(w.Height(), 2160);
}

// The window with the site stage on a real request, as main wires it.
struct SiteMainWindow {
    explicit SiteMainWindow(const std::string& address, bool with_site = true) {
        std::vector<FinishedReadSink*> sinks;
        if (with_site) sinks.push_back(&site);
        ShellServices services = parts.services(sinks);
        services.site = with_site ? &site : nullptr;
        window = test::WindowParts::Open(services, address);
    }
    test::WindowParts parts;
    FixedWallClock clock{1796688000};
    SiteStage site{parts.request, clock, {}};
    std::unique_ptr<Pelmorafrm> window;
};

// Against the simulator's battery site: the Battery row and the house load
// show, and the meter list is asked for once in 100 reads, again after the
// address changes, and again a minute after the gateway came back with other
// meters.
TEST(WindowSite, BatterySimulatorAsksForTheListOnlyWhenItChanged) {
    std::optional<test::SimulatorProcess> gateway(std::in_place,
                                                  std::vector<std::string>{"--site", "battery", "--hour", "13"});
    const int port = gateway->port();
    SiteMainWindow started(gateway->address());
    Pelmorafrm& w = *started.window;
    for (int i = 0; i < 100; ++i) w.Timer1_Timer();
    ASSERT_NE(w.control("Battery"), nullptr);
    EXPECT_TRUE(w.control("Battery")->isVisibleTo(&w));
    EXPECT_FALSE(w.text("HouseLoad").empty());
    EXPECT_EQ(gateway->requests("/ivp/meters"), 1u);

    w.set_text("IP", "localhost:" + std::to_string(port));
    for (int i = 0; i < 10; ++i) w.Timer1_Timer();
    EXPECT_EQ(gateway->requests("/ivp/meters"), 2u);

    gateway.reset();
    gateway.emplace(std::vector<std::string>{"--site", "total", "--port", std::to_string(port)});
    for (int i = 0; i < 10; ++i) w.Timer1_Timer();
    EXPECT_EQ(gateway->requests("/ivp/meters"), 0u) << "other eids: not within the minute";
    started.clock.set(started.clock.EpochSeconds() + 60);
    for (int i = 0; i < 10; ++i) w.Timer1_Timer();
    EXPECT_EQ(gateway->requests("/ivp/meters"), 1u) << "other eids: asked again a minute later";
    EXPECT_FALSE(w.control("Battery")->isVisibleTo(&w)) << "no battery on a total-consumption site";
    EXPECT_EQ(started.site.asks(), 3u);
}

// A production and total-consumption site read as Pelmora reads it says so
// in the caption; with [Gateway] SecondMeterFromList the meter list gives the
// mode and the grid shows the export it is.
TEST(WindowSite, ASecondMeterThatMisfitsTheModeIsSaid) {
    test::SimulatorProcess gateway({"--site", "total", "--hour", "13"});
    for (const bool from_list : {false, true}) {
        test::WindowParts parts;
        if (from_list) parts.settings.SaveSetting(kSettingsApp, kGatewaySection, kModeFromListKey, "true");
        FixedWallClock clock{1796688000};
        SiteStage site{parts.request, clock, {}};
        ShellServices services = parts.services({&site});
        services.site = &site;
        const std::unique_ptr<Pelmorafrm> window = test::WindowParts::Open(services, gateway.address());
        for (int i = 0; i < 3; ++i) window->Timer1_Timer();
        const std::string title = window->windowTitle().toStdString();
        EXPECT_EQ(title.find(" - second meter: start PelmoraB") != std::string::npos, !from_list) << title;
        EXPECT_EQ(window->back_color("Grid"), from_list ? kExportGreen : kImportLightRed) << from_list;
    }
}

// A meter list that takes 3 s holds no reading back: it comes off the
// reads' thread, and the Battery row shows once it is there.
TEST(WindowSite, ASlowMeterListNeverDelaysAReading) {
    using namespace std::chrono_literals;
    test::SimulatorProcess gateway({"--site", "battery", "--hour", "13", "--list-delay-ms", "3000"});
    SiteMainWindow started(gateway.address());
    ThreadedSideDocument fetch;
    started.site.set_background(&fetch, [] { return std::make_unique<CurlGatewayRequest>(); });
    Pelmorafrm& w = *started.window;
    const auto began = std::chrono::steady_clock::now();
    auto slowest = std::chrono::steady_clock::duration::zero();
    const auto battery_shown = [&w] {
        return w.control("Battery") != nullptr && w.control("Battery")->isVisibleTo(&w);
    };
    while (!battery_shown() && std::chrono::steady_clock::now() - began < 10s) {
        const auto tick = std::chrono::steady_clock::now();
        w.Timer1_Timer();
        slowest = std::max(slowest, std::chrono::steady_clock::now() - tick);
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(battery_shown());
    EXPECT_GE(std::chrono::steady_clock::now() - began, 3s) << "the list cannot have come sooner";
    EXPECT_LT(slowest, 1500ms) << "a reading waited for the list";
    EXPECT_EQ(started.site.asks(), 1u);
}

// Today's energy, as the history and the counters give it, on the tooltips
// of Production and Grid after their own.
TEST(WindowSite, TodaysEnergyOnTheFigureTooltips) {
    test::SimulatorProcess gateway({"--hour", "12"});
    test::WindowParts parts;
    SystemWallClock clock;
    SystemCalendar calendar;
    History history(parts.files, calendar, clock, "/h");
    std::ostringstream log;
    CounterStage counters(false, log, {&history});
    SiteStage site(parts.request, clock, {&counters});
    ShellServices services = parts.services({&site});
    services.history = &history;
    services.site = &site;
    const std::unique_ptr<Pelmorafrm> window = test::WindowParts::Open(services, gateway.address());
    Pelmorafrm& w = *window;
    EXPECT_EQ(w.tooltip("Production"), "Solar Production") << "nothing before the first read";
    w.Timer1_Timer();
    ASSERT_FALSE(history.Today().empty());
    EXPECT_TRUE(w.tooltip("Production").starts_with("Solar Production\nToday")) << w.tooltip("Production");
    EXPECT_TRUE(w.tooltip("Production").ends_with(" kWh produced")) << w.tooltip("Production");
    EXPECT_TRUE(w.tooltip("Grid").starts_with("Green Export, Red Iimport\nToday")) << w.tooltip("Grid");
    EXPECT_NE(w.tooltip("Grid").find(" kWh imported, "), std::string::npos) << w.tooltip("Grid");
    EXPECT_TRUE(w.tooltip("Grid").ends_with(" kWh exported")) << w.tooltip("Grid");
    EXPECT_EQ(w.tooltip("Consumption"), "Production +/- Grid");
    EXPECT_EQ(log.str(), "");
}

// A tick count the test sets.
class SetTicks : public TickSource {
public:
    std::uint32_t GetTickCount() override { return now; }
    std::uint32_t now = 5000;
};

struct PaceRow {
    const char* name;
    const char* backoff;               // [Gateway] Backoff as stored; "" for none
    std::vector<int> failed_reads_at;  // the seconds of the first ticks that read
};
class WindowPaceTest : public ::testing::TestWithParam<PaceRow> {};

// One tick a second against a gateway that refuses every connection, then
// answers again from second 200: with the back-off the reads wait 2, 4, 8
// ... 60 s after the failures, and the first good read (at 242) brings back
// a read at every tick; without it every tick reads, as always.
TEST_P(WindowPaceTest, FailedReadsWaitLongerUntilOneIsGood) {
    const PaceRow& row = GetParam();
    std::optional<test::SimulatorProcess> gateway(std::in_place, std::vector<std::string>{"--mode", "refuse"});
    const std::string port = std::to_string(gateway->port());
    test::WindowParts parts;
    if (*row.backoff != '\0') parts.settings.SaveSetting(kSettingsApp, kGatewaySection, "Backoff", row.backoff);
    SetTicks ticks;
    const std::unique_ptr<Pelmorafrm> window = test::WindowParts::Open(parts.services({}, &ticks), gateway->address());
    Pelmorafrm& w = *window;
    std::vector<int> failed_at;
    int good_reads = 0;
    for (int second = 0; second < 260; ++second) {
        if (second == 200) {
            gateway.reset();
            gateway.emplace(std::vector<std::string>{"--port", port});
        }
        ticks.now = 5000 + static_cast<std::uint32_t>(second) * 1000;
        w.Timer1_Timer();
        const std::string stamp = w.text("TimeStamp");
        if (stamp == "Wrong/No IP address") failed_at.push_back(second);
        if (stamp != "Wrong/No IP address" && !stamp.starts_with("Next read in ")) ++good_reads;
        if (second < 200) {
            EXPECT_TRUE(stamp == "Wrong/No IP address" || stamp.starts_with("Next read in ")) << stamp;
        }
    }
    if (row.failed_reads_at.empty()) {
        EXPECT_EQ(failed_at.size(), 200u) << "every tick read";
        EXPECT_EQ(good_reads, 60);
    } else {
        EXPECT_EQ(failed_at, row.failed_reads_at);
        EXPECT_EQ(good_reads, 260 - 242) << "from the first good read on, every tick reads";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowPaceTest,
                         ::testing::Values(PaceRow{"plain_without_the_setting", "", {}},
                                           PaceRow{"plain_setting_off", "false", {}},
                                           PaceRow{"plain_with_backoff", "true", {0, 2, 6, 14, 30, 62, 122, 182}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Against the plain simulator, with the site stage or without, every box
// reads and is coloured the same.
TEST(WindowSite, PlainSimulatorLeavesTheWindowAsItWas) {
    test::SimulatorProcess gateway({"--fixed", std::string(PELMORA_FIXTURES) + "/readings.json"});
    SiteMainWindow with_site(gateway.address());
    SiteMainWindow without(gateway.address(), false);
    with_site.window->Timer1_Timer();
    without.window->Timer1_Timer();
    EXPECT_EQ(with_site.site.asks(), 1u);
    EXPECT_FALSE(with_site.site.meters()) << "a 404 is no meter list";
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.kind == ControlKind::Timer || d.name == "Turnaround") continue;
        EXPECT_EQ(with_site.window->text(d.name), without.window->text(d.name)) << d.name;
        EXPECT_EQ(with_site.window->back_color(d.name), without.window->back_color(d.name)) << d.name;
        EXPECT_EQ(with_site.window->control(d.name)->geometry(), without.window->control(d.name)->geometry()) << d.name;
    }
    EXPECT_EQ(with_site.window->control("Battery"), nullptr);
    EXPECT_EQ(with_site.window->Height(), without.window->Height());
}

// A battery's day: its line is drawn and the totals add its energy.
TEST_F(HistoryWindowTest, ABatteryDayDrawsItsLineAndTotals) {
    for (std::int64_t t = 0; t <= 3600; ++t) history.Add({1796688000 + t, 2000.0, 500.0, 0.0, -1500.0});
    HistoryWindow view(history, settings);
    view.ShowRange("today");
    const QList<QAbstractSeries*> all = view.chart()->series();
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](QAbstractSeries* s) { return s->name() == "Battery"; }));
    EXPECT_FALSE(std::any_of(all.begin(), all.end(), [](QAbstractSeries* s) { return s->name() == "Charge"; }));
    EXPECT_TRUE(totals_of(view).ends_with("Charged 1.5 kWh   Discharged 0.0 kWh   Self-sufficiency 100.0 %"))
        << totals_of(view);
    EXPECT_FALSE(view.findChild<QLabel*>("Totals")->text().remove(QStringLiteral("   ")).contains(' '))
        << "the totals wrap only between items";
}

// The batteries' charge is drawn against a 0 to 100 % axis of its own on the right.
TEST_F(HistoryWindowTest, TheChargeHasItsOwnAxis) {
    for (std::int64_t t = 0; t <= 600; ++t) {
        Sample s{1796688000 + t, 2000.0, 500.0, 0.0, -1500.0};
        s.charge = 40.0 + static_cast<double>(t) / 100.0;
        history.Add(s);
    }
    HistoryWindow view(history, settings);
    view.ShowRange("today");
    const QList<QAbstractSeries*> all = view.chart()->series();
    const auto charge = std::find_if(all.begin(), all.end(), [](QAbstractSeries* s) { return s->name() == "Charge"; });
    ASSERT_NE(charge, all.end());
    const QList<QAbstractAxis*> axes = (*charge)->attachedAxes();
    const auto right =
        std::find_if(axes.begin(), axes.end(), [](QAbstractAxis* a) { return a->alignment() == Qt::AlignRight; });
    ASSERT_NE(right, axes.end());
    EXPECT_EQ(static_cast<QValueAxis*>(*right)->max(), 100.0);
    EXPECT_EQ(static_cast<QValueAxis*>(*right)->min(), 0.0);
    EXPECT_EQ(static_cast<QXYSeries*>(*charge)->points().back().y(), 46.0);
}

// The Site window draws its sections and a tile per panel, a silent one in
// its own colour; the tiles wrap to the width, and Escape closes and keeps the place.
TEST_F(WindowTest, TheSiteWindowsTilesWrapAndASilentOneStandsOut) {
    SiteWindow window(settings);
    window.resize(400, 300);
    SiteWindowView content{{{"Panels", {"Inverters: 12, 11 reporting, 1,800 W"}}, {"Gateway", {"Serial 1"}}}, {}};
    for (int i = 0; i < 12; ++i)
        content.panels.push_back(
            {"2023300575" + std::to_string(10 + i), "150 W", "largest 300 W", "12:00", 0.5, i == 7});
    window.Open(content);
    QWidget* picture = window.findChild<QWidget*>("SitePicture");
    ASSERT_NE(picture, nullptr);
    const auto pixels = [&](QColor colour) {
        const QImage image = picture->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
        return count;
    };
    const QColor silent(255, 225, 225);
    EXPECT_GT(pixels(silent), 1000) << "the silent panel's tile";
    const int narrow = picture->minimumHeight();
    window.resize(900, 300);
    QApplication::processEvents();
    EXPECT_LT(picture->minimumHeight(), narrow) << "more tiles a row on a wider window";
    content.panels[7].silent = false;
    window.Draw(content);
    EXPECT_EQ(pixels(silent), 0);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(settings.GetSetting(kSettingsApp, kSiteSection, "Width", ""), "900");
}

// October of 31 whole days whose counters rise by day d: d kWh produced,
// 1 kWh imported, d / 2 kWh exported; the lines' own energy after the first
// is 80 % of that, so the bars and totals show that they come from the counters.
TEST_F(HistoryWindowTest, MonthOfDayFilesShowsDailyBarsAndTotals) {
    for (int d = 1; d <= 31; ++d) {
        MinuteRecord m;
        m.samples = 60;
        const double per_minute = 1000.0 / 1440.0;
        double produced = 1e6, imported = 2e6, exported = 3e6;
        std::string text = DayFileHeader(false, true);
        for (int minute = 0; minute < 1440; ++minute) {
            m.start = 1790812800 + (d - 1) * 86400 + minute * 60;  // from 2026-10-01T00:00:00Z
            const double own = minute == 0 ? 1.0 : 0.8;
            m.energy = {own * d * per_minute, 0.0, own * per_minute, own * d * per_minute / 2.0};
            produced += d * per_minute;
            imported += per_minute;
            exported += d * per_minute / 2.0;
            m.counters = {produced, imported, exported, std::nullopt, std::nullopt, std::nullopt};
            text += MinuteLine(m);
        }
        char name[32];
        std::snprintf(name, sizeof name, "/h/2026-10-%02d.csv", d);
        files.files[name] = text;
    }
    HistoryWindow view(history, settings);
    view.resize(900, 520);  // the default size
    view.ShowRange("2026-10");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.findChild<QComboBox*>("Range")->currentText().toStdString(), "October 2026");
    // Every day's label is there in full.
    std::set<std::string> labels;
    for (QGraphicsItem* item : view.findChild<QChartView*>()->scene()->items()) {
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item)) labels.insert(text->toPlainText().toStdString());
    }
    for (int d = 1; d <= 31; ++d) EXPECT_TRUE(labels.count(std::to_string(d))) << "day " << d << " is not labelled";
    for (const std::string& label : labels) EXPECT_EQ(label.find("\u2026"), std::string::npos) << label;
    // Resting the mouse over a day's bar tells its totals.
    QChartView* chart_view = view.findChild<QChartView*>();
    QChart* chart = chart_view->chart();
    const QPoint over_31 =
        chart_view->mapFromScene(chart->mapToScene(chart->mapToPosition(QPointF(30, 15), chart->series().value(0))));
    QHelpEvent rest(QEvent::ToolTip, over_31, chart_view->viewport()->mapToGlobal(over_31));
    QCoreApplication::sendEvent(chart_view->viewport(), &rest);
    EXPECT_TRUE(QToolTip::text().startsWith("2026-10-31\n")) << QToolTip::text().toStdString();
    EXPECT_TRUE(view.TipAt(chart->mapToPosition(QPointF(9, 5), chart->series().value(0))).startsWith("2026-10-10"));
    // The CSV's _kwh columns hold kWh.
    test::TempWorkingFolder folder;
    ASSERT_TRUE(view.SaveCsv("month.csv"));
    const std::string csv = test::ReadFile(folder.path() / "month.csv");
    EXPECT_NE(csv.find("\n2026-10-31,31.000,"), std::string::npos) << csv.substr(0, 300);
    EXPECT_EQ(totals_of(view),
              "October 2026:   Produced 496.0 kWh   Consumed 279.0 kWh   Imported 31.0 kWh   "
              "Exported 248.0 kWh   Self-consumption 50 %   Self-sufficiency 88.9 %");
    ASSERT_EQ(view.month_days().size(), 31u);
    auto* bars = view.findChild<QChartView*>()->chart()->series().value(0);
    auto* series = qobject_cast<QBarSeries*>(bars);
    ASSERT_NE(series, nullptr);
    const QList<QBarSet*> sets = series->barSets();
    ASSERT_EQ(sets.size(), 4);  // no battery
    EXPECT_EQ(sets[0]->label(), "Produced");
    for (int d = 1; d <= 31; ++d) {
        EXPECT_NEAR(sets[0]->at(d - 1), d, 1e-3) << d;
        EXPECT_NEAR(sets[2]->at(d - 1), 1.0, 1e-3) << d;
    }
    EXPECT_FALSE(view.findChild<QChartView*>()->grab().isNull());

    // The year: twelve months by name, October's bar the month's sum, its tip the month's totals.
    view.ShowRange("2026");
    EXPECT_EQ(view.findChild<QComboBox*>("Range")->currentText().toStdString(), "Year 2026");
    auto* year = qobject_cast<QBarSeries*>(view.findChild<QChartView*>()->chart()->series().value(0));
    ASSERT_NE(year, nullptr);
    EXPECT_EQ(year->barSets()[0]->count(), 12);
    EXPECT_NEAR(year->barSets()[0]->at(9), 496.0, 1e-2);
    EXPECT_EQ(year->barSets()[0]->at(10), 0.0);
    EXPECT_TRUE(totals_of(view).starts_with("2026:   Produced 504.0 kWh"))
        << totals_of(view) << ": October and December 7";
    const QString tip = view.TipAt(chart->mapToPosition(QPointF(9, 5), year));
    EXPECT_TRUE(tip.startsWith("October 2026\n")) << tip.toStdString();
    history.Flush();
}

}  // namespace
}  // namespace pelmora
