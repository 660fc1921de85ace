// pelmora-gateway: a stand-in for the solar gateway on loopback. Serves
// "/ivp/meters/readings" with figures that move like a real installation, or
// misbehaves in one of the fault modes for tests and demonstrations.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "tools/document_file.h"
#include "tools/gateway_document.h"
#include "tools/simulated_equipment.h"
#include "site/document_kind.h"
#include "site/side_schedule.h"
#include "tools/self_signed_certificate.h"
#include "tools/simulated_access.h"

namespace {

using namespace std::chrono_literals;

struct Options {
    int port = 8080;
    std::string mode = "normal";
    std::string fixed_file;
    std::uint64_t seed = 0;
    bool seeded = false;
    int delay_ms = 5000;
    int drip_ms = 3000;
    int status = 404;
    std::string content_type = "application/json";
    double hour = -1;  // below 0: the local hour of the day
    pelmora::SimulatedSite site = pelmora::SimulatedSite::Plain;
    bool tls = false;
    std::string token_file;
    std::string cert_file;
    std::string key_file;
    bool new_key = false;
    std::string serial = "122233004455";
    std::int64_t cert_start = -1;  // below 0: a minute ago
    int cert_days = 365;
    long counter_jump = 0;          // the read (from 1) whose counters jump by 5 MWh; 0 for none
    long counter_reset = 0;         // the read whose counters drop to 0
    bool freeze = false;            // every document keeps the first one's timestamp
    int dead_phase = 0;             // a phase (1 to 3) that reads 0 V; 0 for none
    int list_status = 0;            // the status the meter list answers with an HTML page; 0 for the list
    int list_delay_ms = 0;          // how long the meter list waits before it answers
    int check_delay_ms = 0;         // how long /auth/check_jwt waits before it answers
    std::string documents;          // a folder of captured documents to serve beside the readings
    std::string document_fault;     // refused, slow, absent or absurd: every document beside the readings
    int document_delay_ms = 20000;  // how long a slow document waits
};

const char* kDocumentFaults[] = {"refused", "slow", "absent", "absurd"};

const char* kModes[] = {"normal",         "refuse",          "silent",    "delay",     "drip",
                        "close-mid-body", "status",          "empty-200", "empty-500", "compact",
                        "crlf",           "production-only", "oversized", "mixed"};

// The help text: on standard output when asked for, with status 0; on
// standard error with status 2 after a wrong argument, which it names.
int usage(bool asked = false, const std::string& wrong = "") {
    if (!wrong.empty()) std::cerr << "pelmora-gateway: unknown option or bad value: " << wrong << "\n";
    (asked ? std::cout : std::cerr)
        << "usage: pelmora-gateway [--port N] [--mode MODE] [--fixed FILE] [--seed N]\n"
           "                       [--delay-ms N] [--drip-ms N] [--status N] [--content-type TEXT]\n"
           "                       [--hour H] [--site SITE] [--tls [--token-file F] [--cert F --key F] [--new-key]\n"
           "                       [--serial S] [--cert-start EPOCH] [--cert-days N]]\n"
           "                       [--counter-jump N] [--counter-reset N] [--freeze] [--dead-phase N]\n"
           "                       [--list-status N] [--list-delay-ms N] [--check-delay-ms N]\n"
           "                       [--documents FOLDER] [--document-fault FAULT] [--document-delay-ms N] [--version]\n"
           "  Serves /ivp/meters/readings on 127.0.0.1 like the solar gateway. --port 0 picks a free\n"
           "  port; the port in use is printed as \"listening on 127.0.0.1:PORT\".\n"
           "  MODE: normal (default), refuse (connections refused), silent (accepts, never answers),\n"
           "  delay (answers after --delay-ms), drip (one body byte every --drip-ms), close-mid-body,\n"
           "  status (--status with an HTML body), empty-200, empty-500, compact (no line breaks),\n"
           "  crlf (CR LF line ends), production-only, oversized (2 MiB body), mixed (a random\n"
           "  fault or good document per request, repeatable with --seed).\n"
           "  --hour H fixes the hour of the day (0 to 24) that drives the sun.\n"
           "  SITE: plain (default: production and net consumption by position, no meter list),\n"
           "  battery (adds a storage meter and the meter list at /ivp/meters), collar (production,\n"
           "  net consumption and a backfeed collar, listed), total (production and total\n"
           "  consumption, listed).\n"
           "  --list-status N answers the meter list with status N and an HTML page;\n"
           "  --list-delay-ms N makes the meter list wait N ms before it answers, --check-delay-ms N\n"
           "  the token check (TLS mode).\n"
           "  The documents beside the readings (/info, /ivp/ensemble/inventory, secctrl and power,\n"
           "  /api/v1/production/inverters, /production.json, /admin/lib/tariff) follow the site: the\n"
           "  battery site has two batteries holding what it stores, a grid switch and 20 inverters\n"
           "  (one silent for three hours) and a tariff in EUR (0.30 to buy, 0.08 to sell), the others\n"
           "  12 inverters and neither battery documents nor a tariff.\n"
           "  --documents FOLDER serves instead each file of FOLDER at the path of the document its\n"
           "  content shows (404 for the others). --document-fault FAULT makes every one of them\n"
           "  refused (the 401 page), slow (after --document-delay-ms, 20000 by default), absent\n"
           "  (404) or absurd (figures no gateway sends).\n"
           "  The meters' lifetime counters (actEnergyDlvd, actEnergyRcvd) advance with the simulated\n"
           "  power, Wh = W x seconds / 3600. --counter-jump N puts every delivered counter up by\n"
           "  5 MWh at the Nth readings document, for good; --counter-reset N drops every counter to 0\n"
           "  there.\n"
           "  --freeze keeps answering with the first document's timestamp; --dead-phase N (1 to 3)\n"
           "  makes phase N of every meter read 0 V, 0 A and 0 W.\n"
           "  --tls serves HTTPS (TLS 1.2) as firmware 7 gateways do: the readings need the token in\n"
           "  --token-file (any token without it; one is printed as \"token: ...\" to paste into\n"
           "  Pelmora's Options) as \"Authorization: Bearer\", or a session cookie from\n"
           "  /auth/check_jwt; a refused request gets the HTML 401 page. The certificate is self-signed,\n"
           "  CN=envoy-<serial>, made at start-up, or read from --cert/--key when both exist (made and\n"
           "  written there otherwise); --new-key always makes a fresh key. Every request is logged on\n"
           "  standard output with whether it carried the token; the connection and handshake counts\n"
           "  are printed on exit.\n";
    return asked ? 0 : 2;
}

// "--option value", as a wrong argument is named.
std::string option_and(const std::string& option, const std::string& value) {
    std::string text = option;
    text += ' ';
    text += value;
    return text;
}

std::atomic<bool> g_stopping{false};

// Sleeps in small steps so that a stop request ends the wait.
bool sleep_unless_stopping(std::chrono::milliseconds total) {
    const auto until = std::chrono::steady_clock::now() + total;
    while (std::chrono::steady_clock::now() < until) {
        if (g_stopping) return false;
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(20ms, total));
    }
    return !g_stopping;
}

class DocumentSource {
public:
    DocumentSource(std::uint64_t seed, double hour, pelmora::SimulatedSite site, long jump_at, long reset_at,
                   bool freeze, int dead_phase)
        : m_installation(seed, site),
          m_hour(hour),
          m_jump_at(jump_at),
          m_reset_at(reset_at),
          m_freeze(freeze),
          m_dead_phase(dead_phase) {}

    std::string meter_list() const { return m_installation.MeterList(); }

    // The document of `kind` beside the readings, at the last sample; empty where the site has none.
    std::string side_document(pelmora::DocumentKind kind, const std::string& serial) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
        switch (kind) {
            case pelmora::DocumentKind::Info: return pelmora::SimulatedInfo(serial);
            case pelmora::DocumentKind::Inventory: return pelmora::SimulatedInventory(m_installation, now);
            case pelmora::DocumentKind::Aggregate: return pelmora::SimulatedAggregate(m_installation);
            case pelmora::DocumentKind::Power: return pelmora::SimulatedPower(m_installation);
            case pelmora::DocumentKind::Inverters: return pelmora::SimulatedInverters(m_installation, now);
            case pelmora::DocumentKind::Production: return pelmora::SimulatedProduction(m_installation, now);
            case pelmora::DocumentKind::Tariff: return pelmora::SimulatedTariff(m_installation);
            default: return {};
        }
    }

    std::vector<pelmora::SimulatedMeter> sample() {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        const double hour = m_hour >= 0 ? m_hour : local.tm_hour + local.tm_min / 60.0 + local.tm_sec / 3600.0;
        ++m_reads;
        if (m_reads == m_jump_at) m_installation.JumpCounters(5e6);
        if (m_reads == m_reset_at) m_installation.ResetCounters();
        if (!m_frozen_at) m_frozen_at = static_cast<std::int64_t>(now);
        std::vector<pelmora::SimulatedMeter> meters =
            m_installation.Sample(m_freeze ? *m_frozen_at : static_cast<std::int64_t>(now), hour);
        if (m_dead_phase >= 1 && m_dead_phase <= 3) {
            for (pelmora::SimulatedMeter& meter : meters) {
                pelmora::MeterValues& phase = meter.phases[static_cast<std::size_t>(m_dead_phase - 1)];
                phase.voltage = phase.current = phase.activePower = phase.apparentPower = phase.reactivePower = 0.0;
                phase.pwrFactor = 0.0;
            }
        }
        return meters;
    }

private:
    std::mutex m_mutex;
    pelmora::SimulatedInstallation m_installation;
    double m_hour;
    long m_jump_at;
    long m_reset_at;
    bool m_freeze;
    int m_dead_phase;
    long m_reads = 0;
    std::optional<std::int64_t> m_frozen_at;
};

// What no gateway sends, one for each document beside the readings.
std::string absurd_document(pelmora::DocumentKind kind) {
    switch (kind) {
        case pelmora::DocumentKind::Info: return "<device><sn>1</sn><software>&lt;x&gt;</software></device>";
        case pelmora::DocumentKind::Inventory:
            return R"([{"type":"ENCHARGE","devices":[{"serial_num":"9","percentFull":250,"encharge_capacity":-5}]}])";
        case pelmora::DocumentKind::Aggregate: return R"({"agg_soc":140,"Max_energy":1e12,"ENC_agg_avail_energy":-3})";
        case pelmora::DocumentKind::Power: return R"({"devices:":[{"serial_num":"9","real_power_mw":1e300}]})";
        case pelmora::DocumentKind::Inverters:
            return R"([{"serialNumber":"1","lastReportDate":9999999999,"lastReportWatts":1e9,"maxReportWatts":1e9}])";
        case pelmora::DocumentKind::Production:
            return R"({"production":[],"storage":[{"type":"acb","activeCount":3,"percentFull":-40}]})";
        case pelmora::DocumentKind::Tariff: return R"({"tariff":{"storage_settings":{"reserved_soc":1e300}}})";
        default: return {};
    }
}

// The captured documents in `folder`, each under the kind its content shows.
std::map<pelmora::DocumentKind, std::string> captured_documents(const std::string& folder) {
    std::map<pelmora::DocumentKind, std::string> documents;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string why;
        std::optional<std::string> text = pelmora::ReadDocumentFile(entry.path().string(), why);
        if (text) documents[pelmora::KindOfDocument(*text)] = std::move(*text);
    }
    if (error) {
        std::cerr << "pelmora-gateway: cannot read " << folder << ": " << error.message() << "\n";
        std::exit(1);
    }
    return documents;
}

std::string read_file(const std::string& path) {
    std::string why;
    std::optional<std::string> text = pelmora::ReadDocumentFile(path, why);
    if (!text) {
        std::cerr << "pelmora-gateway: cannot read " << path << ": " << why << "\n";
        std::exit(1);
    }
    return std::move(*text);
}

// A number of milliseconds, watt-hours or days: never below 0.
int non_negative(const std::string& text) {
    const int value = std::stoi(text);
    if (value < 0) throw std::out_of_range(text);
    return value;
}

void serve_text(httplib::Response& res, int status, const std::string& body, const std::string& type) {
    res.status = status;
    res.set_content(body, type.c_str());
}

// Serves `body` one byte every `every`, the whole length declared up front.
void serve_drip(httplib::Response& res, std::string body, std::chrono::milliseconds every, const std::string& type) {
    auto shared = std::make_shared<std::string>(std::move(body));
    res.set_content_provider(shared->size(), type.c_str(),
                             [shared, every](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (!sleep_unless_stopping(every)) return false;
                                 sink.write(shared->data() + offset, 1);
                                 return true;
                             });
}

// Declares the whole length, sends the first half and drops the connection.
void serve_cut(httplib::Response& res, std::string body, const std::string& type) {
    auto shared = std::make_shared<std::string>(std::move(body));
    res.set_content_provider(shared->size(), type.c_str(), [shared](size_t offset, size_t, httplib::DataSink& sink) {
        const std::size_t half = shared->size() / 2;
        if (offset >= half) return false;
        sink.write(shared->data() + offset, half - offset);
        return true;
    });
}

std::string html_page(int status) {
    return "<!DOCTYPE html>\n<html><head><title>" + std::to_string(status) + "</title></head>\n<body><h1>Error " +
           std::to_string(status) + "</h1><p>The requested resource is not available, sorry.</p></body></html>\n";
}

std::string unauthorized_page() {
    return "<html>\r\n<head><title>401 Authorization Required</title></head>\r\n<body>\r\n<center><h1>401 "
           "Authorization Required</h1></center>\r\n<hr><center>nginx</center>\r\n</body>\r\n</html>\r\n";
}

// The certificate and key the TLS mode serves, as the options ask.
pelmora::ServerIdentity make_identity(const Options& options) {
    const std::int64_t start = options.cert_start >= 0 ? options.cert_start : std::time(nullptr) - 60;
    const bool files = !options.cert_file.empty() && !options.key_file.empty();
    if (files && !options.new_key && std::ifstream(options.cert_file) && std::ifstream(options.key_file))
        return pelmora::LoadIdentity(options.cert_file, options.key_file);
    pelmora::ServerIdentity identity = pelmora::MakeSelfSigned(options.serial, start, options.cert_days);
    if (files) pelmora::SaveIdentity(identity, options.cert_file, options.key_file);
    return identity;
}

std::string garbage(std::mt19937_64& random, std::size_t size) {
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(random());
    return out;
}

int run_refusing(int port) {
    // A bound socket that never listens: every connection is refused at once.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    // The port of a simulator that just ended is taken over, as the serving modes do.
    const int reuse = 1;
    if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::cerr << "pelmora-gateway: cannot bind 127.0.0.1:" << port << "\n";
        return 1;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    std::cout << "listening on 127.0.0.1:" << ntohs(address.sin_port) << std::endl;
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    int received = 0;
    sigwait(&signals, &received);
    ::close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) std::exit(usage());
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") return usage(true);
        if (arg == "--version") {
            std::cout << "pelmora-gateway " PELMORA_VERSION_TEXT "\n";
            return 0;
        }
        try {
            if (arg == "--port")
                options.port = std::stoi(next());
            else if (arg == "--mode")
                options.mode = next();
            else if (arg == "--fixed")
                options.fixed_file = next();
            else if (arg == "--seed") {
                options.seed = std::stoull(next());
                options.seeded = true;
            } else if (arg == "--delay-ms")
                options.delay_ms = non_negative(next());
            else if (arg == "--drip-ms")
                options.drip_ms = non_negative(next());
            else if (arg == "--status")
                options.status = std::stoi(next());
            else if (arg == "--content-type")
                options.content_type = next();
            else if (arg == "--hour") {
                options.hour = std::stod(next());
                if (!(options.hour >= 0 && options.hour <= 24)) return usage(false, option_and(arg, argv[i]));
            } else if (arg == "--site") {
                const std::string site = next();
                if (site == "battery")
                    options.site = pelmora::SimulatedSite::Battery;
                else if (site == "collar")
                    options.site = pelmora::SimulatedSite::Collar;
                else if (site == "total")
                    options.site = pelmora::SimulatedSite::Total;
                else if (site != "plain")
                    return usage(false, option_and(arg, site));
            } else if (arg == "--tls")
                options.tls = true;
            else if (arg == "--token-file")
                options.token_file = next();
            else if (arg == "--cert")
                options.cert_file = next();
            else if (arg == "--key")
                options.key_file = next();
            else if (arg == "--new-key")
                options.new_key = true;
            else if (arg == "--serial")
                options.serial = next();
            else if (arg == "--cert-start")
                options.cert_start = std::stoll(next());
            else if (arg == "--cert-days")
                options.cert_days = non_negative(next());
            else if (arg == "--counter-jump")
                options.counter_jump = non_negative(next());
            else if (arg == "--counter-reset")
                options.counter_reset = non_negative(next());
            else if (arg == "--freeze")
                options.freeze = true;
            else if (arg == "--dead-phase") {
                options.dead_phase = std::stoi(next());
                if (options.dead_phase < 1 || options.dead_phase > 3) return usage(false, option_and(arg, argv[i]));
            } else if (arg == "--list-status")
                options.list_status = std::stoi(next());
            else if (arg == "--list-delay-ms")
                options.list_delay_ms = non_negative(next());
            else if (arg == "--documents")
                options.documents = next();
            else if (arg == "--document-fault") {
                options.document_fault = next();
                if (std::find(std::begin(kDocumentFaults), std::end(kDocumentFaults), options.document_fault) ==
                    std::end(kDocumentFaults))
                    return usage(false, "--document-fault " + options.document_fault);
            } else if (arg == "--document-delay-ms")
                options.document_delay_ms = non_negative(next());
            else if (arg == "--check-delay-ms")
                options.check_delay_ms = non_negative(next());
            else
                return usage(false, arg);
        } catch (const std::exception&) {
            return usage(false, option_and(arg, argv[i]));
        }
    }
    if (std::find(std::begin(kModes), std::end(kModes), options.mode) == std::end(kModes))
        return usage(false, "--mode " + options.mode);
    if (options.port < 0 || options.port > 65535) return usage(false, "--port " + std::to_string(options.port));

    // Signals are taken by one thread with sigwait, so every thread blocks them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    if (options.mode == "refuse") return run_refusing(options.port);

    const std::uint64_t seed = options.seeded ? options.seed : std::random_device{}();
    DocumentSource source(seed, options.hour, options.site, options.counter_jump, options.counter_reset, options.freeze,
                          options.dead_phase);
    const std::string fixed = options.fixed_file.empty() ? std::string() : read_file(options.fixed_file);
    auto mixed_random = std::make_shared<std::mt19937_64>(seed ^ 0x5eed);
    auto mixed_mutex = std::make_shared<std::mutex>();

    std::unique_ptr<pelmora::SimulatedAccess> access;
    std::unique_ptr<httplib::Server> owned_server;
    if (options.tls) {
        std::string token;
        if (!options.token_file.empty()) {
            token = read_file(options.token_file);
            while (!token.empty() && std::isspace(static_cast<unsigned char>(token.back()))) token.pop_back();
        }
        access = std::make_unique<pelmora::SimulatedAccess>(token);
        auto identity = std::make_shared<pelmora::ServerIdentity>(make_identity(options));
        owned_server = std::make_unique<httplib::SSLServer>([identity, &access](SSL_CTX& ctx) {
            // What the gateway negotiates: TLS 1.2, ECDHE-RSA-AES256-GCM-SHA384.
            SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
            SSL_CTX_set_max_proto_version(&ctx, TLS1_2_VERSION);
            SSL_CTX_set_cipher_list(&ctx, "ECDHE-RSA-AES256-GCM-SHA384");
            SSL_CTX_set_session_cache_mode(&ctx, SSL_SESS_CACHE_SERVER);
            access->watch(ctx);
            return SSL_CTX_use_certificate(&ctx, identity->cert.get()) == 1 &&
                   SSL_CTX_use_PrivateKey(&ctx, identity->key.get()) == 1;
        });
    } else {
        owned_server = std::make_unique<httplib::Server>();
    }
    httplib::Server& server = *owned_server;
    std::mutex log_mutex;
    if (options.tls) {
        server.set_keep_alive_max_count(100000);
        server.set_keep_alive_timeout(30);
        // Headers and body leave at once rather than waiting for the client's delayed ACK.
        server.set_tcp_nodelay(true);
        server.set_logger([&](const httplib::Request& req, const httplib::Response& res) {
            std::lock_guard<std::mutex> lock(log_mutex);
            std::cout << "request " << req.method << " " << req.path
                      << " token=" << (access->bearer_ok(req.get_header_value("Authorization")) ? "yes" : "no")
                      << " cookie=" << (req.has_header("Cookie") ? "yes" : "no") << " status=" << res.status
                      << std::endl;
        });
        server.Get("/auth/check_jwt", [&](const httplib::Request& req, httplib::Response& res) {
            if (options.check_delay_ms > 0 && !sleep_unless_stopping(std::chrono::milliseconds(options.check_delay_ms)))
                return;
            res.set_header("Strict-Transport-Security", "max-age=31536000; includeSubDomains");
            if (!access->bearer_ok(req.get_header_value("Authorization"))) {
                serve_text(res, 401, unauthorized_page(), "text/html");
                return;
            }
            res.set_header("Set-Cookie", "sessionId=" + access->open_session() + "; Secure; HttpOnly; path=/");
            serve_text(res, 200, "<!DOCTYPE html><h2>Valid token.</h2>", "text/html");
        });
    } else {
        server.set_keep_alive_max_count(1);
    }
    // In TLS mode the meter paths need the token or a session; false after
    // answering the HTML 401 page.
    auto let_in = [&](const httplib::Request& req, httplib::Response& res) {
        if (!access) return true;
        res.set_header("Strict-Transport-Security", "max-age=31536000; includeSubDomains");
        if (access->bearer_ok(req.get_header_value("Authorization")) ||
            access->session_ok(req.get_header_value("Cookie")))
            return true;
        serve_text(res, 401, unauthorized_page(), "text/html");
        return false;
    };
    server.Get("/ivp/meters", [&](const httplib::Request& req, httplib::Response& res) {
        if (!let_in(req, res)) return;
        if (options.list_delay_ms > 0 && !sleep_unless_stopping(std::chrono::milliseconds(options.list_delay_ms)))
            return;
        const std::string list = source.meter_list();
        if (options.list_status != 0) {
            serve_text(res, options.list_status, html_page(options.list_status), "text/html");
        } else if (list.empty()) {
            serve_text(res, 404, "<html><body><h1>404 Not Found</h1></body></html>", "text/html");
        } else {
            serve_text(res, 200, list, "application/json");
        }
        if (!access) {
            // The TLS mode logs every request; the plain one logs these.
            std::lock_guard<std::mutex> lock(log_mutex);
            std::cout << "request GET /ivp/meters status=" << res.status << std::endl;
        }
    });
    server.Get("/ivp/meters/readings", [&](const httplib::Request& req, httplib::Response& res) {
        if (!let_in(req, res)) return;
        const std::string& type = options.content_type;
        auto document = [&](pelmora::DocumentLayout layout, bool crlf, bool production_only) {
            if (!fixed.empty()) return std::string(fixed);
            auto meters = source.sample();
            if (production_only) meters.resize(1);
            return pelmora::RenderReadings(meters, layout, crlf);
        };
        std::string mode = options.mode;
        if (mode == "mixed") {
            std::lock_guard<std::mutex> lock(*mixed_mutex);
            static const char* kMixed[] = {"normal",    "normal",          "normal",         "status",
                                           "empty-200", "empty-500",       "close-mid-body", "garbage",
                                           "compact",   "production-only", "oversized",      "crlf"};
            mode = kMixed[(*mixed_random)() % std::size(kMixed)];
            if (mode == "garbage") {
                serve_text(res, 200, garbage(*mixed_random, 1 + (*mixed_random)() % 8192), type);
                return;
            }
        }
        if (mode == "normal")
            serve_text(res, 200, document(pelmora::DocumentLayout::Indented, false, false), type);
        else if (mode == "compact")
            serve_text(res, 200, document(pelmora::DocumentLayout::Compact, false, false), type);
        else if (mode == "crlf")
            serve_text(res, 200, document(pelmora::DocumentLayout::Indented, true, false), type);
        else if (mode == "production-only")
            serve_text(res, 200, document(pelmora::DocumentLayout::Indented, false, true), type);
        else if (mode == "empty-200")
            serve_text(res, 200, "", type);
        else if (mode == "empty-500")
            serve_text(res, 500, "", type);
        else if (mode == "status")
            serve_text(res, options.status, html_page(options.status), "text/html");
        else if (mode == "oversized")
            serve_text(res, 200, std::string(2 << 20, ','), type);
        else if (mode == "close-mid-body")
            serve_cut(res, document(pelmora::DocumentLayout::Indented, false, false), type);
        else if (mode == "drip")
            serve_drip(res, document(pelmora::DocumentLayout::Indented, false, false),
                       std::chrono::milliseconds(options.drip_ms), type);
        else if (mode == "delay") {
            if (!sleep_unless_stopping(std::chrono::milliseconds(options.delay_ms))) return;
            serve_text(res, 200, document(pelmora::DocumentLayout::Indented, false, false), type);
        } else if (mode == "silent") {
            while (sleep_unless_stopping(1000ms)) {
            }
        }
    });

    // The documents beside the readings: /info needs no token, the others do in TLS mode.
    const std::map<pelmora::DocumentKind, std::string> captured = options.documents.empty()
                                                                      ? std::map<pelmora::DocumentKind, std::string>()
                                                                      : captured_documents(options.documents);
    for (const pelmora::SideDocumentPath& document : pelmora::kSideDocuments) {
        const pelmora::DocumentKind kind = document.kind;
        server.Get(document.path, [&, kind](const httplib::Request& req, httplib::Response& res) {
            if (kind != pelmora::DocumentKind::Info && !let_in(req, res)) return;
            std::string body;
            if (!options.documents.empty()) {
                const auto found = captured.find(kind);
                if (found != captured.end()) body = found->second;
            } else {
                body = source.side_document(kind, options.serial);
            }
            const std::string& fault = options.document_fault;
            if (fault == "slow" && !sleep_unless_stopping(std::chrono::milliseconds(options.document_delay_ms))) return;
            if (fault == "absurd") body = absurd_document(kind);
            const std::string type = kind == pelmora::DocumentKind::Info ? "application/xml" : "application/json";
            if (fault == "refused")
                serve_text(res, 401, unauthorized_page(), "text/html");
            else if (fault == "absent" || body.empty())
                serve_text(res, 404, "<html><body><h1>404 Not Found</h1></body></html>", "text/html");
            else
                serve_text(res, 200, body, type);
            if (!access) {
                std::lock_guard<std::mutex> lock(log_mutex);
                std::cout << "request GET " << req.path << " status=" << res.status << std::endl;
            }
        });
    }

    const int port = options.port == 0 ? server.bind_to_any_port("127.0.0.1")
                                       : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
    if (port < 0) {
        std::cerr << "pelmora-gateway: cannot bind 127.0.0.1:" << options.port << "\n";
        return 1;
    }
    if (options.tls && options.token_file.empty()) {
        // Any token is taken; this one has the gateway's shape, for Pelmora's Options page.
        std::cout << "token: "
                  << pelmora::MakeSampleToken(options.serial,
                                              static_cast<std::int64_t>(std::time(nullptr)) + std::int64_t{365} * 86400)
                  << std::endl;
    }
    std::cout << "listening on 127.0.0.1:" << port << std::endl;

    std::thread stopper([&server, &access, signals] {
        int received = 0;
        sigwait(&signals, &received);
        g_stopping = true;
        if (access) {
            // Kept-alive connections would hold the server's threads until they
            // time out; a stopped gateway drops them at once.
            std::cout << access->counts() << std::endl;
            std::_Exit(0);
        }
        server.stop();
    });
    server.listen_after_bind();
    if (!g_stopping) {
        // The server ended on its own: let the stopper thread go.
        g_stopping = true;
        ::kill(::getpid(), SIGTERM);
    }
    stopper.join();
    return 0;
}
