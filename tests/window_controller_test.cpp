// The main window's controller over fakes: what both front ends do beyond drawing.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "access/access_request.h"
#include "access/token_keeper.h"
#include "app/window_controller.h"
#include "fakes.h"
#include "fakes/fixed_wall_clock.h"
#include "fakes/memory_settings_store.h"
#include "posix/system_calendar.h"
#include "zone_for_tests.h"
#include "form/settings.h"
#include "posix/file_secret_store.h"
#include "read_fakes.h"
#include "shell_fakes.h"
#include "temp_folder.h"
#include "test_support.h"
#include "token_support.h"

namespace pelmora {
namespace {

// What the controller asked the window to draw or do.
class FakeView : public WindowView {
public:
    void show_site_row(bool shown) override { rows.push_back(shown); }
    void set_box_visible(std::string_view box, bool shown) override { boxes[std::string(box)] = shown; }
    std::map<std::string, bool> boxes;
    void set_window_tooltip(const std::string& text) override { window_tooltip = text; }
    void defer(std::function<void()> later) override { deferred.push_back(std::move(later)); }
    void open_options(const OptionsContent& content) override { options.push_back(content); }
    void show_history() override { ++histories; }
    void close_history() override { ++closed_histories; }
    void show_site(const SiteWindowView& content) override { site = content; }
    void draw_site(const SiteWindowView& content) override { drawn = content; }
    void close_site() override { site.reset(); }
    std::optional<SiteWindowView> site, drawn;
    bool shown() const override { return is_shown; }
    void hide() override { is_shown = false; }
    void minimize() override { ++minimized; }
    void show_in_front() override { is_shown = true; }
    void close_window() override { ++closes; }
    ScreenSize screen_size(bool) const override { return {19200, 14400}; }
    void keep_title_bar_on_screen() override {}

    std::vector<bool> rows;
    std::string window_tooltip;
    std::vector<std::function<void()>> deferred;
    std::vector<OptionsContent> options;
    int histories = 0, closed_histories = 0, minimized = 0, closes = 0;
    bool is_shown = true;
};

class FakeTray : public TrayIcon {
public:
    bool available() const override { return true; }
    void set_visible(bool visible) override { is_visible = visible; }
    bool visible() const override { return is_visible; }
    void set_tooltip(const std::string& text) override { tooltip = text; }
    void set_colour(OleColor) override { ++colours; }
    bool is_visible = false;
    std::string tooltip;
    int colours = 0;
};

// Shows the pinned key changed on the token request, then fails as no read should.
class KeyChangeThenThrow : public GatewayRequest {
public:
    explicit KeyChangeThenThrow(GatewayRequest& token) : m_token(token) {}
    std::string launch(const std::string&) override {
        (void)m_token.launch("https://envoy.local/ivp/meters/readings");
        throw std::runtime_error("the read broke");
    }

private:
    GatewayRequest& m_token;
};

// A controller on a window, a gateway and token access in memory.
struct Controlled {
    test::TempWorkingFolder folder;
    test::FakeWindow window;
    test::FakeTimer timer;
    test::FakeWindowSystem system;
    FakeView view;
    FakeTray tray;
    test::ScriptedRequest request{{test::ReadFixture("readings.json")}};
    test::SteppingTicks ticks;
    test::FixedRegionalFormat format;
    MemoryFileSystem files;
    test::FakeTimeZone zone{ZoneState{1, 0}};
    MemorySettingsStore settings;
    test::RecordingMessageBox about;
    FixedWallClock clock{1796688000};
    test::SilentSecretStore keychain;
    FileSecretStore file{(folder.path() / "token").string()};
    TokenKeeper keeper{keychain, file, settings, "Pelmora"};
    test::FakeHttpsTransport https;
    MemoryPinStore pins;
    TokenGatewayRequest token_request{https, pins, clock};
    AccessServices access{keeper, token_request, clock};

    std::unique_ptr<WindowController> make(GatewayRequest& read_by) {
        ShellServices services{read_by, ticks, format, files, zone, settings, about, &access};
        services.tray = &tray;
        auto made = std::make_unique<WindowController>(services, StartInfo{"Pelmora", {"envoy.local"}},
                                                       MainWindowParts{window, window, timer, timer, system, view});
        window.on_check_click = [c = made.get()] { c->CreateOutputchk_Click(); };
        made->Load();
        return made;
    }
};

// A read that throws still asks about a changed key, once the tick is over;
// the exception stays the tick's.
TEST(WindowController, AReadThatThrowsStillAsksAboutTheKey) {
    Controlled c;
    c.https.document = test::ReadFixture("readings.json");
    c.token_request.set_token("eyJ.e30.c2ln");
    ASSERT_NE(c.token_request.launch("https://envoy.local/ivp/meters/readings"), "") << "the key is pinned";
    c.https.key.key_sha256 = "BBBB";
    KeyChangeThenThrow broken(c.token_request);
    const std::unique_ptr<WindowController> controller = c.make(broken);
    controller->Timer1_Timer();
    EXPECT_EQ(controller->poll().escaped_failures(), 1u);
    ASSERT_EQ(c.view.deferred.size(), 1u) << "the question waits for the tick's end";
    EXPECT_TRUE(c.about.asked.empty());
    c.view.deferred[0]();
    ASSERT_EQ(c.about.asked.size(), 1u);
    EXPECT_NE(c.about.asked[0].find("New key (SHA-256)"), std::string::npos) << c.about.asked[0];
}

// Closing with the tray shown and closing to it on only hides; Quit closes
// for good and the settings are kept once.
TEST(WindowController, CloseToTrayQuitAndTheSettingsKeptOnce) {
    Controlled c;
    const std::unique_ptr<WindowController> controller = c.make(c.request);
    DesktopSettings desktop;
    desktop.tray = true;
    desktop.close_to_tray = true;
    controller->ApplyDesktop(desktop);
    EXPECT_TRUE(c.tray.visible());
    EXPECT_EQ(controller->Closing(), WindowController::CloseStep::HideInTray);
    EXPECT_TRUE(c.timer.on) << "polling goes on in the tray";
    EXPECT_EQ(c.settings.GetSetting(kSettingsApp, "Settings", "Top", ""), "");
    controller->Quit();
    EXPECT_EQ(c.view.closes, 1);
    EXPECT_EQ(controller->Closing(), WindowController::CloseStep::Close);
    EXPECT_FALSE(c.timer.on);
    EXPECT_EQ(c.settings.GetSetting(kSettingsApp, "Settings", "Top", ""), "900");
    c.window.top = 1;
    EXPECT_EQ(controller->Closing(), WindowController::CloseStep::Close);
    EXPECT_EQ(c.settings.GetSetting(kSettingsApp, "Settings", "Top", ""), "900") << "kept once";
    EXPECT_EQ(c.view.closed_histories, 1);
}

// The tray's menu before the window is made does nothing; after, it shows,
// hides, stops, starts and opens through the controller; Options gets a
// page per service.
TEST(WindowController, TheTraysMenuAndTheOptionsPages) {
    Controlled c;
    WindowController* made = nullptr;
    const TrayActions tray = MainWindowTrayActions(made);
    tray.start_or_stop();
    tray.show_or_hide();
    EXPECT_FALSE(tray.shown());
    const std::unique_ptr<WindowController> controller = c.make(c.request);
    made = controller.get();
    EXPECT_TRUE(tray.shown());
    tray.show_or_hide();
    EXPECT_FALSE(c.view.is_shown);
    tray.start_or_stop();
    EXPECT_FALSE(tray.polling());
    EXPECT_EQ(controller->ShownCaption("Pelmora V2.5.1"), "Pelmora V2.5.1 - stopped");
    tray.start_or_stop();
    EXPECT_TRUE(tray.polling());
    tray.history();
    EXPECT_EQ(c.view.histories, 1);
    tray.options();
    ASSERT_EQ(c.view.options.size(), 1u);
    EXPECT_EQ(c.view.options[0].access, &c.access);
    EXPECT_EQ(c.view.options[0].publish, nullptr);
    EXPECT_FALSE(c.view.options[0].desktop);
    EXPECT_EQ(c.view.options[0].address(), "envoy.local");
    controller->StartInTray();
    EXPECT_EQ(c.view.minimized, 1) << "no tray icon shows: minimised";
}

// The batteries' charge from the gateway's documents: the row comes with it
// on a site whose meters show no battery, and the tray's tooltip tells it.
TEST(WindowController, TheChargeOnTheBatteryRowAndInTheTray) {
    Controlled c;
    std::ostringstream log;
    EquipmentStage equipment(c.request, c.clock, log);
    test::ScriptedSide side;
    equipment.set_background(&side, [] { return std::make_unique<test::ScriptedRequest>(); });
    ShellServices services{c.request, c.ticks, c.format, c.files, c.zone, c.settings, c.about};
    services.finished_reads = {&equipment};
    SiteStage site(c.request, c.clock, {});
    services.site = &site;
    services.tray = &c.tray;
    services.equipment = &equipment;
    test::InZone utc("UTC0");
    SystemCalendar calendar;
    History history(c.files, calendar, c.clock, "/h");
    services.history = &history;
    WindowController controller(services, StartInfo{"Pelmora", {"envoy.local"}},
                                MainWindowParts{c.window, c.window, c.timer, c.timer, c.system, c.view});
    controller.Load();
    controller.Timer1_Timer();
    EXPECT_TRUE(c.view.rows.empty()) << "nothing before the documents";
    const std::string prefix = "site/fw-8.2.4286-battery-";
    side.answers["/ivp/ensemble/secctrl"] = {test::ReadFixture(prefix + "ensemble-secctrl.json"), 200};
    side.answers["/admin/lib/tariff"] = {test::ReadFixture(prefix + "tariff.json"), 200};
    side.answers["/api/v1/production/inverters"] = {test::ReadFixture(prefix + "inverters.json"), 200};
    for (int i = 0; i < 8; ++i) controller.Timer1_Timer();
    EXPECT_EQ(c.view.rows, std::vector<bool>{true});
    EXPECT_TRUE(c.view.boxes.empty()) << "the row came with the Charge box shown";
    EXPECT_EQ(c.window.text("Charge"), "46 %");
    EXPECT_EQ(c.window.tooltip("Charge"), "Available 11.6 of 25.0 kWh\nReserve 20 %");
    EXPECT_EQ(c.window.text("Battery"), "");
    EXPECT_TRUE(c.tray.tooltip.ends_with("\nBattery 46 %")) << c.tray.tooltip;

    // "Site..." shows the same, section by section, and the panels as tiles.
    EXPECT_EQ(c.system.appended.back().text, "Site...");
    c.system.send(WM_SYSCOMMAND, kSiteCommand);
    ASSERT_TRUE(c.view.site);
    const auto& sections = c.view.site->sections;
    ASSERT_EQ(sections.size(), 5U);
    EXPECT_EQ(sections[0].lines,
              std::vector<std::string>{"Battery: 46 % (11.6 of 25.0 kWh), reserve 20 %, self-consumption"});
    EXPECT_EQ(sections[2].lines, std::vector<std::string>{"Inverters: 35, 35 reporting, 7,010 W"});
    ASSERT_EQ(c.view.site->panels.size(), 35U);
    const PanelTile& first = c.view.site->panels[0];
    EXPECT_EQ(first.serial + " " + first.watts + " " + first.largest + " " + first.reported,
              "202330057549 184 W largest 335 W 17:54");
    EXPECT_NEAR(first.fraction, 184.0 / 335.0, 1e-9);
    EXPECT_TRUE(sections[4].lines[1].starts_with("/ivp/ensemble/inventory: no good answer (1 time in a row); next at "))
        << sections[4].lines[1];
    EXPECT_TRUE(sections[4].lines[2].starts_with("/ivp/ensemble/secctrl: read at 00:00:00; next at 00:01:00"))
        << sections[4].lines[2];
}

}  // namespace
}  // namespace pelmora
