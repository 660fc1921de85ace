#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// The kinds an item can be recognised as, in the order of the key tests.
enum class Kind : std::uint8_t { Timestamp, Voltage, PowerFactor, Current, ActivePower };

const char* KindName(Kind kind);

// The kinds of one item in key-test order; at most one of each, held inline.
class KindList {
public:
    KindList() = default;
    KindList(std::initializer_list<Kind> kinds) {
        for (Kind k : kinds) push_back(k);
    }
    void push_back(Kind kind) { m_kinds[m_size++] = kind; }
    const Kind* begin() const { return m_kinds.data(); }
    const Kind* end() const { return m_kinds.data() + m_size; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    Kind operator[](std::size_t i) const { return m_kinds[i]; }
    friend bool operator==(const KindList& a, const KindList& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    std::array<Kind, 5> m_kinds{};
    std::uint8_t m_size = 0;
};

// One piece of the readings document (the text between two commas) that at
// least one key test recognised.
struct ReadingItem {
    std::string Text;                      // the whole item, unchanged
    KindList Kinds;                        // in key-test order
    std::string EpochText;                 // Timestamp: the value piece, as ValueText; empty without ":"
    std::int64_t Slot = 0;                 // ActivePower: PowerCount after counting
    std::optional<std::string> ValueText;  // ActivePower: second ":"-piece, absent without ":"

    bool Has(Kind kind) const;
};

using MeterReadings = std::vector<ReadingItem>;

// The value piece of an item: the text after its first ":" up to the next
// ":" or the end; absent when the item has no ":".
std::optional<std::string_view> SecondPiece(std::string_view item);

// Cuts the document at every "," and recognises each piece by the key names
// it contains: a piece with "[" or "]" is skipped; "timestamp" records a
// Timestamp; "reactivePower" stops the tests of that piece; then "voltage",
// "pwrFactor", "current" and "activePower" each record their kind. Power items
// are numbered 1, 2, ... in document order. Pure; any bytes scan in linear time.
MeterReadings ScanReadings(std::string_view document);

}  // namespace pelmora
