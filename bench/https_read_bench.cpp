// Client CPU per read of the fixture document from the gateway simulator on
// loopback: plain http (a new connection each read) against HTTPS with the
// token, one kept-alive connection and the session cookie.
#include <benchmark/benchmark.h>

#include <ctime>
#include <fstream>

#include "posix/system_wall_clock.h"
#include "access/token_request.h"
#include "curl/curl_https_transport.h"
#include "curl/url_launch.h"
#include "site/site_meters.h"
#include "site/site_reading.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "token_support.h"

namespace {

const std::string kFixture = std::string(PELMORA_FIXTURES) + "/readings.json";

void BM_PlainRead(benchmark::State& state) {
    pelmora::test::SimulatorProcess gateway({"--fixed", kFixture});
    pelmora::CurlGatewayRequest request;
    for (auto _ : state) {
        if (request.launch(gateway.url()).empty()) state.SkipWithError("no answer");
    }
}
BENCHMARK(BM_PlainRead)->MeasureProcessCPUTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_TlsKeepAliveRead(benchmark::State& state) {
    pelmora::test::TempWorkingFolder folder;
    const std::string token = pelmora::test::OwnerToken(std::time(nullptr) + 86400 * 365);
    std::ofstream(folder.path() / "token") << token;
    pelmora::test::SimulatorProcess gateway(
        {"--tls", "--token-file", (folder.path() / "token").string(), "--fixed", kFixture});
    pelmora::SystemWallClock clock;
    pelmora::MemoryPinStore pins;
    pelmora::CurlHttpsTransport https;
    pelmora::TokenGatewayRequest request(https, pins, clock);
    request.set_token(token);
    // The session check and the handshake happen once, before the loop.
    if (request.launch(gateway.https_url()).empty()) state.SkipWithError("no answer");
    for (auto _ : state) {
        if (request.launch(gateway.https_url()).empty()) state.SkipWithError("no answer");
    }
}
BENCHMARK(BM_TlsKeepAliveRead)->MeasureProcessCPUTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// The same on the simulator's battery site, the document read once more by
// meter or not: what the site read adds to the client's CPU per read.
void BM_TlsBatterySiteRead(benchmark::State& state, bool by_meter) {
    pelmora::test::TempWorkingFolder folder;
    const std::string token = pelmora::test::OwnerToken(std::time(nullptr) + 86400 * 365);
    std::ofstream(folder.path() / "token") << token;
    pelmora::test::SimulatorProcess gateway(
        {"--tls", "--token-file", (folder.path() / "token").string(), "--site", "battery", "--seed", "3"});
    pelmora::SystemWallClock clock;
    pelmora::MemoryPinStore pins;
    pelmora::CurlHttpsTransport https;
    pelmora::TokenGatewayRequest request(https, pins, clock);
    request.set_token(token);
    const auto meters = pelmora::ParseSiteMeters(request.launch("https://" + gateway.address() + "/ivp/meters"));
    if (!meters) state.SkipWithError("no meter list");
    pelmora::SiteReader reader;
    for (auto _ : state) {
        const std::string document = request.launch(gateway.https_url());
        if (document.empty()) state.SkipWithError("no answer");
        if (by_meter && meters) benchmark::DoNotOptimize(reader.Read(*meters, document));
    }
}
BENCHMARK_CAPTURE(BM_TlsBatterySiteRead, by_position, false)
    ->MeasureProcessCPUTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_TlsBatterySiteRead, also_by_meter, true)
    ->MeasureProcessCPUTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
