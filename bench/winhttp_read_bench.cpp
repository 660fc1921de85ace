// One gateway read through WinHTTP under Wine: the median wall time and the
// mean CPU of this process per read, a new connection each time as the
// design's request makes it.
//   winhttp_read_bench.exe ADDRESS [READS]
#include "win32/winhttp_request.h"

// clang-format off
#include <windows.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double process_cpu_us() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto count = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(count(kernel) + count(user)) / 10.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: winhttp_read_bench ADDRESS [READS]\n");
        return 2;
    }
    const std::string url = std::string("http://") + argv[1] + "/ivp/meters/readings";
    const int reads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    std::vector<double> wall;
    const double cpu_before = process_cpu_us();
    for (int i = 0; i < reads; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (pelmora::WinHttpLaunch(url).empty()) {
            std::fprintf(stderr, "read %d failed\n", i);
            return 1;
        }
        wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    const double cpu = (process_cpu_us() - cpu_before) / reads;
    std::nth_element(wall.begin(), wall.begin() + reads / 2, wall.end());
    std::printf("one read over WinHTTP, new connection: median %.0f us wall, %.0f us CPU of the process (%d reads)\n",
                wall[reads / 2], cpu, reads);
    return 0;
}
