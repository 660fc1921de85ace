// pelmora-inspect: shows what the program makes of a gateway's readings
// document, item by item.
#include <cctype>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>
#include <iterator>
#include <sstream>
#include <string>

#include <filesystem>
#include <iomanip>

#include "posix/system_wall_clock.h"
#include "posix/steady_tick_source.h"
#include "gateway/document_request.h"
#include "curl/url_launch.h"
#include "phases/form_values.h"
#include "platform/failure.h"
#include "records/iso_regional_format.h"
#include "form/memory_controls_view.h"
#include "fakes/memory_file_system.h"
#include "posix/system_time_zone.h"
#include "platform/tick_source.h"
#include "access/token_request.h"
#include "site/site_reading.h"
#include "site/site_text.h"
#include "site/document_kind.h"
#include "site/equipment_text.h"
#include "site/tariff.h"
#include "history/day_file.h"
#include "history/day_money.h"
#include "records/date_time.h"
#include "site/site_equipment.h"
#include "access/token_text.h"
#include "curl/curl_https_transport.h"
#include "posix/file_secret_store.h"
#include "readings/number_text.h"
#include "readings/pelmora_read.h"
#include "readings/readings_parser.h"
#include "tools/document_file.h"
#include "records/epoch_time.h"
#include "records/error_log.h"

namespace {

std::string visible(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
                    out += hex;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// The date an epoch text stands for, in UTC, as the window converts it.
std::string utc_text(const std::string& epoch_text) {
    pelmora::IsoRegionalFormat format;
    pelmora::MemoryFileSystem files;
    pelmora::ErrorLog log(files, format);
    try {
        const pelmora::DateTime when = pelmora::Epoch2Date(pelmora::EpochValue::FromText(epoch_text), 0, log);
        return " utc=\"" + format.general_date(pelmora::ToCivil(when)) + "\"";
    } catch (const pelmora::Failure& f) {
        return " utc=(failure " + std::to_string(f.code()) + " " + f.message() + ")";
    }
}

// The help text: on standard output when asked for, with status 0; on
// standard error with status 2 after a wrong argument, which it names.
int usage(bool asked = false, const std::string& wrong = "") {
    if (!wrong.empty()) std::cerr << "pelmora-inspect: unknown option or bad value: " << wrong << "\n";
    (asked ? std::cout : std::cerr)
        << "usage: pelmora-inspect [FILE]\n"
           "       pelmora-inspect --read FILE|ADDRESS [--consumption] [--zone-offset SECONDS]\n"
           "                       [--token-file TOKEN_FILE]\n"
           "       pelmora-inspect --site READINGS [METERS] [FILE...]\n"
           "       pelmora-inspect --tariff FILE --at YYYY-MM-DDTHH:MM\n"
           "       pelmora-inspect --day DAYFILE [--tariff FILE]\n"
           "       pelmora-inspect --help | --version\n"
           "  Without --read: reads a readings document from FILE (or standard input) and prints\n"
           "  every recognised item: kinds, power slot, epoch text and the UTC date it gives,\n"
           "  value text, and the value rounded to one decimal as the read does.\n"
           "  With --read: runs one whole read on the document in FILE, or fetched from the gateway\n"
           "  at ADDRESS (as typed in the window's Envoy box), and prints what every box of the\n"
           "  window would show, its colour, and the four lines of the output file.\n"
           "  --consumption reads the second meter as consumption (the PelmoraB mode);\n"
           "  --zone-offset replaces this machine's zone offset;\n"
           "  --token-file reads the gateway over HTTPS with the owner token kept in TOKEN_FILE\n"
           "  (readable by its owner only); the gateway's key is trusted for this one read.\n"
           "  With --site: takes each file for the gateway document its content shows (readings,\n"
           "  meter list, /info, the battery inventory, aggregate and power, the inverters,\n"
           "  production.json, the tariff), in any order, and prints the site as the program sees\n"
           "  it: every meter's power and counters read by meter, the battery and the house load,\n"
           "  the batteries' charge, the grid switch, the inverters and the gateway. A lone\n"
           "  readings file takes the meter list beside it (\"-meters\" before its \".json\").\n"
           "  With --tariff and --at: the buying and selling prices of the gateway's tariff document\n"
           "  FILE at that local time.\n"
           "  With --day: the totals of a day file as the History window counts them, its\n"
           "  self-sufficiency and self-consumption, and with --tariff its money.\n";
    return asked ? 0 : 2;
}

std::string colour_name(pelmora::OleColor color) {
    switch (color) {
        case pelmora::kExportGreen: return "green (export)";
        case pelmora::kImportLightRed: return "light red (import)";
        case pelmora::kWindowBackground: return "window colour";
        default: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", color);
            return hex;
        }
    }
}

int run_read(const std::string& source, bool consumption_mode, std::optional<std::int32_t> zone_offset,
             const std::string& token_path) {
    pelmora::MemoryControlsView view;
    view.set_value("CreateOutputchk", 1);
    std::unique_ptr<pelmora::GatewayRequest> request;
    pelmora::SystemWallClock clock;
    pelmora::MemoryPinStore pins;
    pelmora::CurlHttpsTransport https;
    std::error_code ignored;
    if (!token_path.empty()) {
        pelmora::FileSecretStore file(token_path);
        const pelmora::SecretRead token = file.Get("");
        if (token.status != pelmora::SecretRead::Status::Found) {
            std::cerr << "pelmora-inspect: " << (token.message.empty() ? token_path + ": no such file" : token.message)
                      << "\n";
            return 1;
        }
        if (const pelmora::TokenCheck check = pelmora::DecodeToken(token.value); !check.facts) {
            std::cerr << "pelmora-inspect: " << token_path << ": " << check.error << "\n";
            return 1;
        }
        auto token_request = std::make_unique<pelmora::TokenGatewayRequest>(https, pins, clock);
        token_request->set_token(pelmora::TrimToken(token.value));
        request = std::move(token_request);
        view.set_text("IP", source);
    } else if (std::filesystem::exists(source, ignored)) {
        std::string why;
        std::optional<std::string> text = pelmora::ReadDocumentFile(source, why);
        if (!text) {
            std::cerr << "pelmora-inspect: " << source << ": " << why << "\n";
            return 1;
        }
        request = std::make_unique<pelmora::DocumentRequest>(std::move(*text));
        view.set_text("IP", "(file)");
    } else {
        request = std::make_unique<pelmora::CurlGatewayRequest>();
        view.set_text("IP", source);
    }

    pelmora::FormValues form;
    form.ConsumptionMode = consumption_mode;
    pelmora::SystemTimeZone zone;
    try {
        form.ZoneOffset = zone_offset ? *zone_offset : pelmora::GetZoneOffset(zone, view).value_or(0);
    } catch (const pelmora::Failure&) {
        form.ZoneOffset = 0;
    }
    if (zone_offset) view.set_text("Zone", pelmora::GeneralNumberText(*zone_offset / 3600.0));

    pelmora::SteadyTickSource ticks;
    pelmora::IsoRegionalFormat format;
    pelmora::MemoryFileSystem files;
    pelmora::ErrorLog log(files, format);
    std::optional<pelmora::Failure> escaped;
    try {
        pelmora::PelmoraRead(pelmora::ReadContext{view, *request, ticks, format, log, files}, form);
    } catch (const pelmora::Failure& failure) {
        escaped = failure;
    }

    auto show = [&](const char* box, bool colour, bool tip) {
        std::cout << std::left << std::setw(12) << box << std::setw(24) << view.text(box);
        if (colour) std::cout << " " << colour_name(view.back_color(box));
        if (tip) std::cout << " tooltip " << view.tooltip(box);
        std::cout << "\n";
    };
    for (const char* box : {"TimeStamp", "Production", "Consumption"}) show(box, false, false);
    show("Grid", true, false);
    show("Turnaround", false, false);
    show("Zone", false, false);
    for (const char* box : {"S1", "S2", "S3"}) show(box, false, false);
    for (const char* box : {"G1", "G2", "G3"}) show(box, true, false);
    for (const char* box : {"A1", "A2", "A3"}) show(box, false, true);

    if (escaped) {
        std::cout << "The read ended at a second failed step: " << escaped->code() << " " << escaped->message()
                  << " (no output file)\n";
    } else if (files.files.count(view.text("OutFile")) != 0) {
        std::cout << "Output file (" << view.text("OutFile") << "), lines ended by CR LF:\n";
        std::istringstream lines(files.files[view.text("OutFile")]);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::cout << "  \"" << visible(line) << "\"\n";
        }
    } else {
        std::cout << "No output file: it could not be written\n";
    }
    const auto logged = files.files.find(log.path());
    if (logged != files.files.end()) std::cout << "Error log:\n" << logged->second;
    return 0;
}

std::optional<std::string> whole_file(const std::string& path) {
    std::string why;
    std::optional<std::string> text = pelmora::ReadDocumentFile(path, why);
    if (!text) std::cerr << "pelmora-inspect: " << path << ": " << why << "\n";
    return text;
}

// The meter list beside a readings document, by the name the captures use.
std::string meters_beside(std::string path) {
    const std::size_t dot = path.rfind(".json");
    return dot == std::string::npos ? path + "-meters" : path.insert(dot, "-meters");
}

void print_by_meter(const std::string& readings, const std::string& meter_list) {
    const std::optional<std::vector<pelmora::SiteMeter>> meters = pelmora::ParseSiteMeters(meter_list);
    if (!meters) {
        std::cout << "The meter list is not a usable one: the site is read by position only\n";
        return;
    }
    std::cout << "Meter list:\n" << pelmora::MeterListText(*meters);
    pelmora::SiteReader reader;
    const std::optional<pelmora::SiteReading> site = reader.Read(*meters, readings);
    if (!site) {
        std::cout << "The readings show none of the listed meters\n";
        return;
    }
    std::cout << "Site reading:\n" << pelmora::SiteText(*site);
}

// Each file is taken for the document its content shows; one that cannot
// be read or is none of the gateway's is named, and the rest still printed.
int run_site(std::vector<std::string> paths) {
    if (paths.empty()) return usage(false, "--site");
    bool all_read = true;
    std::optional<std::string> readings;
    std::optional<std::string> meter_list;
    pelmora::SiteEquipment equipment;
    pelmora::AbsurdNotes absurd;
    const std::int64_t now = pelmora::SystemWallClock().EpochSeconds();
    if (paths.size() == 1 && std::filesystem::exists(meters_beside(paths[0]))) paths.push_back(meters_beside(paths[0]));
    for (const std::string& path : paths) {
        const std::optional<std::string> text = whole_file(path);
        if (!text) {
            all_read = false;
            continue;
        }
        const pelmora::DocumentKind kind = pelmora::KindOfDocument(*text);
        std::cout << path << ": " << pelmora::DocumentKindName(kind) << "\n";
        if (kind == pelmora::DocumentKind::Readings) readings = text;
        if (kind == pelmora::DocumentKind::MeterList) meter_list = text;
        if (kind == pelmora::DocumentKind::Unknown ||
            (kind != pelmora::DocumentKind::Readings && kind != pelmora::DocumentKind::MeterList &&
             !pelmora::TakeDocument(equipment, kind, *text, now, absurd))) {
            std::cerr << "pelmora-inspect: " << path << ": not a document of the gateway this program reads\n";
            all_read = false;
        }
    }
    if (readings && meter_list) print_by_meter(*readings, *meter_list);
    for (const std::string& note : absurd) std::cout << "Left out: " << note << "\n";
    std::cout << pelmora::EquipmentText(equipment);
    return all_read ? 0 : 1;
}

std::optional<pelmora::Tariff> tariff_file(const std::string& path) {
    const std::optional<std::string> text = whole_file(path);
    if (!text) return std::nullopt;
    pelmora::AbsurdNotes absurd;
    std::optional<pelmora::Tariff> tariff = pelmora::ParseTariff(*text, absurd);
    for (const std::string& note : absurd) std::cout << "Left out: " << note << "\n";
    if (!tariff) std::cerr << "pelmora-inspect: " << path << ": not a tariff the gateway sends\n";
    return tariff;
}

// "2024-08-06T16:30" as a local minute; nothing for anything else.
std::optional<pelmora::LocalMinute> local_minute(const std::string& text) {
    const auto digits = [&](std::size_t from) {
        return std::isdigit(static_cast<unsigned char>(text[from])) != 0 &&
               std::isdigit(static_cast<unsigned char>(text[from + 1])) != 0;
    };
    if (text.size() != 16 || text[10] != 'T' || text[13] != ':' || !digits(11) || !digits(14) ||
        !pelmora::IsDayKey(text.substr(0, 10)))
        return std::nullopt;
    const int hour = std::stoi(text.substr(11, 2));
    const int minute = std::stoi(text.substr(14, 2));
    if (hour > 23 || minute > 59) return std::nullopt;
    const std::int64_t days =
        pelmora::DaysFromCivil(std::stoi(text.substr(0, 4)), static_cast<unsigned>(std::stoi(text.substr(5, 2))),
                               static_cast<unsigned>(std::stoi(text.substr(8, 2))));
    return pelmora::LocalMinuteOf(days * 86400 + std::int64_t{60} * (hour * 60 + minute), 0);
}

int run_tariff(const std::vector<std::string>& args) {
    if (args.size() != 4 || args[0] != "--tariff" || args[2] != "--at") return usage(false, "--tariff");
    const std::optional<pelmora::LocalMinute> at = local_minute(args[3]);
    if (!at) return usage(false, "--at " + args[3]);
    const std::optional<pelmora::Tariff> tariff = tariff_file(args[1]);
    if (!tariff) return 1;
    const pelmora::Prices prices = pelmora::PricesAt(*tariff, *at);
    const std::string unit = tariff->currency.empty() ? "/kWh" : " " + tariff->currency + "/kWh";
    std::cout << "Buy " << pelmora::PriceText(prices.buy) << unit << ", sell " << pelmora::PriceText(prices.sell)
              << unit << "\n";
    return 0;
}

int run_day(const std::vector<std::string>& args) {
    if ((args.size() != 2 && args.size() != 4) || args[0] != "--day" || (args.size() == 4 && args[2] != "--tariff"))
        return usage(false, "--day");
    std::optional<pelmora::Tariff> tariff;
    if (args.size() == 4 && !(tariff = tariff_file(args[3]))) return 1;
    std::ifstream in(args[1], std::ios::binary);
    std::string text;
    text.resize(pelmora::kLargestDayFile + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (!in.eof() || text.size() > pelmora::kLargestDayFile) {
        std::cerr << "pelmora-inspect: " << args[1] << ": " << (in.eof() ? "larger than a day file" : "cannot be read")
                  << "\n";
        return 1;
    }
    const std::string name = std::filesystem::path(args[1]).stem().string();
    const std::vector<pelmora::MinuteRecord> minutes =
        pelmora::LoadDayFile(text, pelmora::IsDayKey(name) ? name : std::string());
    if (minutes.empty()) {
        std::cerr << "pelmora-inspect: " << args[1] << ": no minute of a day file\n";
        return 1;
    }
    const pelmora::Energy energy = pelmora::DayEnergy(minutes);
    const auto kwh = [](double wh) { return pelmora::FormatTenths(wh / 1000.0) + " kWh"; };
    std::cout << "Produced " << kwh(energy.produced_wh) << ", consumed " << kwh(energy.consumed_wh) << ", imported "
              << kwh(energy.imported_wh) << ", exported " << kwh(energy.exported_wh) << "\n"
              << pelmora::RatiosText(energy) << "\n";
    if (const std::string covers = pelmora::CoverageText(minutes); !covers.empty()) std::cout << covers << "\n";
    if (tariff) std::cout << pelmora::MoneyText(pelmora::DayMoney(minutes, *tariff), tariff->currency) << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string document;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--site") return run_site({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "--tariff") return run_tariff(args);
    if (!args.empty() && args[0] == "--day") return run_day(args);
    if (!args.empty() && args[0] == "--read") {
        bool consumption = false;
        std::optional<std::int32_t> zone_offset;
        std::string source;
        std::string token_path;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--consumption") {
                consumption = true;
            } else if (args[i] == "--zone-offset" && i + 1 < args.size()) {
                try {
                    zone_offset = std::stoi(args[++i]);
                } catch (const std::exception&) {
                    return usage(false, "--zone-offset " + args[i]);
                }
            } else if (args[i] == "--token-file" && i + 1 < args.size()) {
                token_path = args[++i];
            } else if (source.empty() && !args[i].starts_with("--")) {
                source = args[i];
            } else {
                return usage(false, args[i]);
            }
        }
        if (source.empty()) return usage(false, "--read");
        return run_read(source, consumption, zone_offset, token_path);
    }
    if (args.size() > 1) return usage(false, args[1]);
    if (args.size() == 1) {
        const std::string& arg = args[0];
        if (arg == "-h" || arg == "--help") return usage(true);
        if (arg == "--version") {
            std::cout << "pelmora-inspect " PELMORA_VERSION_TEXT "\n";
            return 0;
        }
        std::string why;
        std::optional<std::string> text = pelmora::ReadDocumentFile(arg, why);
        if (!text) {
            std::cerr << "pelmora-inspect: cannot open " << arg << ": " << why << "\n";
            return 1;
        }
        document = std::move(*text);
    } else {
        std::string why;
        std::optional<std::string> text = pelmora::ReadDocumentStream(std::cin, why);
        if (!text) {
            std::cerr << "pelmora-inspect: standard input: " << why << "\n";
            return 1;
        }
        document = std::move(*text);
    }

    const pelmora::MeterReadings readings = pelmora::ScanReadings(document);
    std::size_t index = 0;
    for (const pelmora::ReadingItem& item : readings) {
        ++index;
        std::string kinds;
        for (pelmora::Kind k : item.Kinds) {
            if (!kinds.empty()) kinds += '+';
            kinds += pelmora::KindName(k);
        }
        // The value piece as the read (power) and the phase routines take it.
        const std::optional<std::string_view> value = pelmora::SecondPiece(item.Text);
        std::ostringstream line;
        line << index << ": " << kinds;
        line << " slot=" << (item.Has(pelmora::Kind::ActivePower) ? std::to_string(item.Slot) : "-");
        line << " epoch="
             << (item.Has(pelmora::Kind::Timestamp) ? "\"" + visible(item.EpochText) + "\"" + utc_text(item.EpochText)
                                                    : "-");
        line << " value=" << (value ? "\"" + visible(*value) + "\"" : "(absent)");
        line << " rounded=";
        if (!value) {
            line << "(none)";
        } else {
            try {
                line << pelmora::FormatTenths(pelmora::RoundHalfEven(*value, 1));
            } catch (const pelmora::Failure& f) {
                line << "(failure " << f.code() << " " << f.message() << ")";
            }
        }
        std::cout << line.str() << "\n";
    }
    std::cout << readings.size() << " items recognised\n";
    return 0;
}
