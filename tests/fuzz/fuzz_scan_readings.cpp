// Any bytes scan without a crash; power slots count up from 1 and an epoch
// text is its item's value piece.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "readings/readings_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    const pelmora::MeterReadings readings = pelmora::ScanReadings(document);
    std::int64_t expected_slot = 0;
    for (const pelmora::ReadingItem& item : readings) {
        if (item.Kinds.empty() || item.Text.find_first_of("[]") != std::string::npos) std::abort();
        if (item.Has(pelmora::Kind::Timestamp) &&
            item.EpochText != pelmora::SecondPiece(item.Text).value_or(std::string_view()))
            std::abort();
        if (item.Has(pelmora::Kind::ActivePower) && item.Slot != ++expected_slot) std::abort();
    }
    return 0;
}
