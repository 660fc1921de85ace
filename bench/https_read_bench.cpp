// Client CPU per read of the fixture document from the gateway simulator on
// loopback: plain http (a new connection each read) against HTTPS with the
// token, one kept-alive connection and the session cookie.
#include <benchmark/benchmark.h>

#include <ctime>
#include <fstream>

#include "access/token_request.h"
#include "gateway/curl_https_transport.h"
#include "gateway/url_launch.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "token_support.h"

namespace {

const std::string kFixture = std::string(PELMORA_FIXTURES) + "/readings.json";

void BM_PlainRead(benchmark::State& state) {
    pelmora::test::SimulatorProcess gateway({"--fixed", kFixture});
    for (auto _ : state) {
        if (pelmora::urlLaunch(gateway.url()).empty()) state.SkipWithError("no answer");
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

}  // namespace
