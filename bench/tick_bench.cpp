// One whole tick of the real window offscreen against a gateway: request,
// read, figures on the window, output file, events processed. Prints the
// median and 99th percentile wall time over the ticks.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "posix/steady_tick_source.h"
#include "curl/url_launch.h"
#include "records/iso_regional_format.h"
#include "posix/posix_file_system.h"
#include "fakes/memory_settings_store.h"
#include "posix/system_time_zone.h"
#include "platform/tick_source.h"
#include "shell/pelmora_window.h"

namespace {

class SilentBox : public pelmora::MessageBox {
public:
    void Show(const std::string&, const std::string&, unsigned) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pelmora-tick-bench ADDRESS [TICKS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 2 ? std::atoi(argv[2]) : 500;

    pelmora::CurlGatewayRequest request;
    pelmora::SteadyTickSource ticks;
    pelmora::IsoRegionalFormat format;
    pelmora::PosixFileSystem files;
    pelmora::SystemTimeZone zone;
    pelmora::MemorySettingsStore settings;
    SilentBox about;
    pelmora::Pelmorafrm window(pelmora::ShellServices{request, ticks, format, files, zone, settings, about},
                               pelmora::StartInfo{"Pelmora", {argv[1]}});
    window.Form_Load();
    window.Stopbtn_Click();
    const std::string out = (std::filesystem::temp_directory_path() / "pelmora-tick-bench.txt").string();
    window.set_text("OutFile", out);
    window.set_value("CreateOutputchk", 1);

    std::vector<double> took;
    for (int i = 0; i < count + 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        window.Timer1_Timer();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        if (i >= 20) took.push_back(elapsed.count());  // the first ticks warm caches
    }
    std::filesystem::remove(out);
    std::sort(took.begin(), took.end());
    const double median = took[took.size() / 2];
    const double p99 = took[std::min(took.size() - 1, took.size() * 99 / 100)];
    std::printf("tick: %d ticks, median %.2f ms, p99 %.2f ms, shown production %s\n", count, median, p99,
                window.text("Production").c_str());
    return 0;
}
