// Reads the gateway COUNT times as the program does, for counting the
// system calls a read costs (bench/perf.sh runs it under strace -c):
//   pelmora-read-loop plain URL COUNT
//   pelmora-read-loop https URL TOKEN_FILE COUNT   (one session, one kept-alive connection)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "access/token_request.h"
#include "curl/curl_https_transport.h"
#include "curl/url_launch.h"
#include "access/pinned_key.h"
#include "posix/system_wall_clock.h"

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!((mode == "plain" && argc == 4) || (mode == "https" && argc == 5))) {
        std::fprintf(stderr, "usage: pelmora-read-loop plain URL COUNT | https URL TOKEN_FILE COUNT\n");
        return 2;
    }
    const std::string url = argv[2];
    const long count = std::strtol(argv[argc - 1], nullptr, 10);
    long failed = 0;
    if (mode == "plain") {
        pelmora::CurlGatewayRequest request;
        for (long i = 0; i < count; ++i) failed += request.launch(url).empty() ? 1 : 0;
    } else {
        std::stringstream token;
        token << std::ifstream(argv[3]).rdbuf();
        pelmora::SystemWallClock clock;
        pelmora::MemoryPinStore pins;
        pelmora::CurlHttpsTransport https;
        pelmora::TokenGatewayRequest request(https, pins, clock);
        std::string text = token.str();
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
        request.set_token(text);
        for (long i = 0; i < count; ++i) failed += request.launch(url).empty() ? 1 : 0;
    }
    if (failed > 0) std::fprintf(stderr, "pelmora-read-loop: %ld of %ld reads failed\n", failed, count);
    return failed > 0 ? 1 : 0;
}
