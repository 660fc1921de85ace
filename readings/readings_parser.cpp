#include "readings/readings_parser.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelmora {

namespace {

enum KeyBit : unsigned {
    OpenBracket = 1u << 0,
    CloseBracket = 1u << 1,
    TimestampKey = 1u << 2,
    ReactiveKey = 1u << 3,
    VoltageKey = 1u << 4,
    PowerFactorKey = 1u << 5,
    CurrentKey = 1u << 6,
    ActivePowerKey = 1u << 7,
};

constexpr std::string_view kTimestamp = "timestamp";
constexpr std::string_view kReactive = "reactivePower";
constexpr std::string_view kVoltage = "voltage";
constexpr std::string_view kPowerFactor = "pwrFactor";
constexpr std::string_view kCurrent = "current";
constexpr std::string_view kActivePower = "activePower";

// Characters that can start a key or are a bracket; every other byte is
// passed over with one table look-up.
constexpr std::array<bool, 256> make_interesting() {
    std::array<bool, 256> table{};
    for (unsigned char c : std::string_view("[]trvpca")) table[c] = true;
    return table;
}
constexpr std::array<bool, 256> kInteresting = make_interesting();

bool key_at(std::string_view item, std::size_t i, std::string_view key) {
    return item.size() - i >= key.size() && item[i + 1] == key[1] &&
           std::memcmp(item.data() + i, key.data(), key.size()) == 0;
}

// Looks at one candidate character; returns false when the item is to be
// skipped for a bracket.
inline bool look_at(std::string_view item, std::size_t i, unsigned& found) {
    switch (item[i]) {
        case '[': found = OpenBracket; return false;
        case ']': found = CloseBracket; return false;
        case 't':
            if (key_at(item, i, kTimestamp)) found |= TimestampKey;
            break;
        case 'r':
            if (key_at(item, i, kReactive)) found |= ReactiveKey;
            break;
        case 'v':
            if (key_at(item, i, kVoltage)) found |= VoltageKey;
            break;
        case 'p':
            if (key_at(item, i, kPowerFactor)) found |= PowerFactorKey;
            break;
        case 'c':
            if (key_at(item, i, kCurrent)) found |= CurrentKey;
            break;
        case 'a':
            if (key_at(item, i, kActivePower)) found |= ActivePowerKey;
            break;
        default: break;
    }
    return true;
}

// The keys an item contains, or only a bracket bit when it holds a bracket.
unsigned keys_in(std::string_view item) {
    unsigned found = 0;
    const std::size_t n = item.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: most bytes are blanks, digits and quotes.
    const __m128i open = _mm_set1_epi8('[');
    const __m128i close = _mm_set1_epi8(']');
    const __m128i t = _mm_set1_epi8('t');
    const __m128i r = _mm_set1_epi8('r');
    const __m128i v = _mm_set1_epi8('v');
    const __m128i p = _mm_set1_epi8('p');
    const __m128i c = _mm_set1_epi8('c');
    const __m128i a = _mm_set1_epi8('a');
    for (; i + 16 <= n; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(item.data() + i));
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, open), _mm_cmpeq_epi8(block, close));
        hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(block, t), _mm_cmpeq_epi8(block, r)));
        hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(block, v), _mm_cmpeq_epi8(block, p)));
        hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(block, c), _mm_cmpeq_epi8(block, a)));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            mask &= mask - 1;
            if (!look_at(item, at, found)) return found;
        }
    }
#endif
    for (; i < n; ++i) {
        if (kInteresting[static_cast<unsigned char>(item[i])] && !look_at(item, i, found)) return found;
    }
    return found;
}

}  // namespace

std::optional<std::string_view> SecondPiece(std::string_view item) {
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::size_t next = item.find(':', colon + 1);
    return item.substr(colon + 1, next == std::string_view::npos ? std::string_view::npos : next - colon - 1);
}

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Timestamp: return "Timestamp";
        case Kind::Voltage: return "Voltage";
        case Kind::PowerFactor: return "PowerFactor";
        case Kind::Current: return "Current";
        case Kind::ActivePower: return "ActivePower";
    }
    return "?";
}

bool ReadingItem::Has(Kind kind) const {
    for (Kind k : Kinds) {
        if (k == kind) return true;
    }
    return false;
}

MeterReadings ScanReadings(std::string_view document) {
    MeterReadings readings;
    if (document.empty()) return readings;
    // The gateway's document has about forty recognised items.
    readings.reserve(48);
    std::int64_t PowerCount = 0;

    std::size_t start = 0;
    for (;;) {
        const void* comma = std::memchr(document.data() + start, ',', document.size() - start);
        const std::size_t end = comma == nullptr
                                    ? document.size()
                                    : static_cast<std::size_t>(static_cast<const char*>(comma) - document.data());
        const std::string_view item = document.substr(start, end - start);

        const unsigned keys = keys_in(item);
        if ((keys & (OpenBracket | CloseBracket)) == 0 && keys != 0) {
            ReadingItem reading;
            if (keys & TimestampKey) {
                reading.Kinds.push_back(Kind::Timestamp);
                if (const auto piece = SecondPiece(item)) reading.EpochText = std::string(*piece);
            }
            if ((keys & ReactiveKey) == 0) {
                if (keys & VoltageKey) reading.Kinds.push_back(Kind::Voltage);
                if (keys & PowerFactorKey) reading.Kinds.push_back(Kind::PowerFactor);
                if (keys & CurrentKey) reading.Kinds.push_back(Kind::Current);
                if (keys & ActivePowerKey) {
                    ++PowerCount;
                    reading.Kinds.push_back(Kind::ActivePower);
                    reading.Slot = PowerCount;
                    if (const auto piece = SecondPiece(item)) reading.ValueText = std::string(*piece);
                }
            }
            if (!reading.Kinds.empty()) {
                reading.Text = std::string(item);
                readings.push_back(std::move(reading));
            }
        }
        if (comma == nullptr) break;
        start = end + 1;
    }
    return readings;
}

}  // namespace pelmora
