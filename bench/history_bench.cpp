// The history's costs: adding one sample, the memory a full day and the
// two-hour ring take, and opening the history window on a full day (shown
// and painted). Run offscreen: QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QChartView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "posix/system_calendar.h"
#include "fakes/fixed_wall_clock.h"
#include "history/history.h"
#include "fakes/memory_file_system.h"
#include "fakes/memory_settings_store.h"
#include "shell/history_window.h"

namespace {

using Clock = std::chrono::steady_clock;

long resident_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

pelmora::Sample sample_at(std::int64_t t) {
    const double production = 3000.0 + static_cast<double>(t % 600);
    return {t, production, 800.0, 800.0 - production};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::int64_t start = 1796688000;  // a UTC midnight
    pelmora::SystemCalendar calendar;

    // A full day at 1 Hz: the ring, today's minutes, one append per minute.
    pelmora::MemoryFileSystem files;
    const long before = resident_kib();
    pelmora::FixedWallClock clock(start + 86400);
    auto* history = new pelmora::History(files, calendar, clock, "/h");
    const auto begin = Clock::now();
    for (std::int64_t t = 0; t < 86400; ++t) history->Add(sample_at(start + t));
    const auto took = Clock::now() - begin;
    const long after = resident_kib();
    std::printf("add one sample: %.3f us (mean of 86,400, minute lines included)\n",
                std::chrono::duration<double, std::micro>(took).count() / 86400.0);
    std::printf("a full day and the two-hour ring: %.1f MB of resident memory\n",
                static_cast<double>(after - before) / 1024.0);

    pelmora::MemorySettingsStore settings;
    std::vector<double> opened;
    const std::string day = pelmora::DayKey(calendar.ToLocal(start));
    for (int i = 0; i < 10; ++i) {
        const auto open_begin = Clock::now();
        pelmora::HistoryWindow window(*history, settings);
        window.ShowRange(day);
        window.show();
        window.findChild<QChartView*>()->grab();
        opened.push_back(std::chrono::duration<double, std::milli>(Clock::now() - open_begin).count());
    }
    std::sort(opened.begin(), opened.end());
    std::printf("open the history window on a full day (%zu minutes), shown and painted: %.1f ms (median of 10)\n",
                history->Day(day).minutes.size(), opened[5]);

    // A month of 31 whole day files with counters, opened in the month view.
    pelmora::MemoryFileSystem month_files;
    pelmora::History month(month_files, calendar, clock, "/m");
    for (int d = 0; d < 31; ++d) {
        std::string text = pelmora::DayFileHeader(false, true);
        pelmora::MinuteRecord m;
        m.samples = 60;
        for (int minute = 0; minute < 1440; ++minute) {
            m.start = start - 31 * 86400 + d * 86400 + minute * 60;
            m.production_w = 3000.0 + minute;
            m.grid_w = -2000.0;
            m.consumption_w = 1000.0 + minute;
            m.energy = {50.0, 16.7, 0.0, 33.3};
            m.counters = {1e6 + (d * 1440 + minute) * 50.0,
                          2e6,
                          3e6 + (d * 1440 + minute) * 33.3,
                          std::nullopt,
                          std::nullopt,
                          std::nullopt};
            text += pelmora::MinuteLine(m);
        }
        month_files.files["/m/" + pelmora::DayKey(calendar.ToLocal(m.start)) + ".csv"] = text;
    }
    const std::string month_key = pelmora::DayKey(calendar.ToLocal(start - 31 * 86400)).substr(0, 7);
    std::vector<double> months;
    for (int i = 0; i < 10; ++i) {
        const auto open_begin = Clock::now();
        pelmora::HistoryWindow window(month, settings);
        window.ShowRange(month_key);
        window.show();
        window.findChild<QChartView*>()->grab();
        months.push_back(std::chrono::duration<double, std::milli>(Clock::now() - open_begin).count());
    }
    std::sort(months.begin(), months.end());
    std::printf(
        "open the month view on 31 whole day files (%zu kB of lines), shown and painted: %.1f ms (median of 10)\n",
        month_files.files.begin()->second.size() * 31 / 1024, months[5]);
    delete history;
    return 0;
}
