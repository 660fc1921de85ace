#pragma once

#include <QSettings>
#include <memory>
#include <string>
#include <vector>

#include "curl/url_launch.h"
#include "fakes/memory_file_system.h"
#include "qt/qt_settings_store.h"
#include "read_fakes.h"
#include "shell/pelmora_window.h"
#include "shell_fakes.h"
#include "temp_folder.h"
#include "test_support.h"

namespace pelmora::test {

// What a window on a real gateway request is made of in the tests: its
// settings in a folder of their own, fakes for the rest.
struct WindowParts {
    WindowParts() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((folder.path() / "config").string()));
    }

    // The services of these parts, with `other_ticks` instead of the stepping ones when given.
    ShellServices services(std::vector<FinishedReadSink*> sinks = {}, TickSource* other_ticks = nullptr) {
        ShellServices services{request, other_ticks != nullptr ? *other_ticks : ticks, format, files, zone, settings,
                               about};
        services.finished_reads = std::move(sinks);
        return services;
    }
    // The window on `address`, loaded, with its polling stopped: the test drives the ticks.
    static std::unique_ptr<Pelmorafrm> Open(ShellServices services, const std::string& address) {
        auto window = std::make_unique<Pelmorafrm>(services, StartInfo{"Pelmora", {address}});
        window->Form_Load();
        window->Stopbtn_Click();
        return window;
    }

    TempWorkingFolder folder;
    CurlGatewayRequest request;
    SteppingTicks ticks;
    FixedRegionalFormat format;
    MemoryFileSystem files;
    FakeTimeZone zone{ZoneState{1, 0}};
    QtSettingsStore settings;
    RecordingMessageBox about;
};

}  // namespace pelmora::test
