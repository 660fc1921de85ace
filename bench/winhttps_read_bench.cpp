// Token reads over HTTPS through WinHTTP under Wine, one connection kept
// alive as the Windows program keeps it: the median wall time and the mean
// CPU of this process per read. The simulator counts the handshakes.
//   winhttps_read_bench.exe ADDRESS [READS]
#include "access/pinned_key.h"
#include "access/token_request.h"
#include "win32/win32_calendar.h"
#include "win32/winhttps_transport.h"

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
        std::fprintf(stderr, "usage: winhttps_read_bench ADDRESS [READS]\n");
        return 2;
    }
    const std::string url = std::string("https://") + argv[1] + "/ivp/meters/readings";
    const int reads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    pelmora::Win32WallClock clock;
    pelmora::MemoryPinStore pins;
    pelmora::WinHttpsTransport transport;
    pelmora::TokenGatewayRequest request(transport, pins, clock);
    // The simulator without a token file takes any token of the gateway's shape.
    request.set_token(
        "eyJhbGciOiJFUzI1NiJ9.eyJhdWQiOiIxMjIyMzMwMDQ0NTUiLCJraW5kIjoib3duZXIiLCJleHAiOjQxMDI0NDQ4MDB9.c2ln");
    if (request.launch(url).empty()) {
        std::fprintf(stderr, "the first read failed: %s\n", request.failure_text().c_str());
        return 1;
    }
    std::vector<double> wall;
    const double cpu_before = process_cpu_us();
    for (int i = 0; i < reads; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (request.launch(url).empty()) {
            std::fprintf(stderr, "read %d failed: %s\n", i, request.failure_text().c_str());
            return 1;
        }
        wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    const double cpu = (process_cpu_us() - cpu_before) / reads;
    std::nth_element(wall.begin(), wall.begin() + reads / 2, wall.end());
    std::printf(
        "one token read over HTTPS, connection kept: median %.0f us wall, %.0f us CPU of the process (%d reads)\n",
        wall[reads / 2], cpu, reads);
    return 0;
}
