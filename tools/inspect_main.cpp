// pelmora-inspect: shows what the program makes of a gateway's readings
// document, item by item.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/failure.h"
#include "readings/number_text.h"
#include "readings/readings_parser.h"

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

// The text between the first and the second ":" of an item, as the read and
// the phase routines take a value.
std::optional<std::string> second_piece(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const std::size_t next = text.find(':', colon + 1);
    return text.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
}

int usage() {
    std::cerr << "usage: pelmora-inspect [FILE]\n"
                 "  Reads a readings document from FILE (or standard input) and prints every\n"
                 "  recognised item: kinds, power slot, epoch text, value text, and the value\n"
                 "  rounded to one decimal as the read does.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string document;
    if (argc > 2) return usage();
    if (argc == 2) {
        std::string arg = argv[1];
        if (arg == "-h" || arg == "--help") return usage();
        std::ifstream in(arg, std::ios::binary);
        if (!in) {
            std::cerr << "pelmora-inspect: cannot open " << arg << "\n";
            return 1;
        }
        document.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        document.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
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
        std::optional<std::string> value = item.Has(pelmora::Kind::ActivePower) ? item.ValueText
                                                                                 : second_piece(item.Text);
        std::ostringstream line;
        line << index << ": " << kinds;
        line << " slot=" << (item.Has(pelmora::Kind::ActivePower) ? std::to_string(item.Slot) : "-");
        line << " epoch=" << (item.Has(pelmora::Kind::Timestamp) ? "\"" + visible(item.EpochText) + "\"" : "-");
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
