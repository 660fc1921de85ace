// Number texts: RoundHalfEven either fails with a Failure or gives a number
// whose figure reads back to the same number; LeadingNumber never fails.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/failure.h"
#include "readings/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double leading = pelmora::LeadingNumber(text);
    (void)pelmora::FormatTenths(leading);
    for (int decimals : {0, 1}) {
        try {
            const double rounded = pelmora::RoundHalfEven(text, decimals);
            const std::string figure = pelmora::FormatTenths(rounded);
            if (std::fabs(rounded) < 1e15 && pelmora::RoundHalfEven(figure, 1) != rounded) std::abort();
            std::string plain;
            for (char c : figure) {
                if (c != ',') plain += c;
            }
            if (std::fabs(rounded) < 1e15 && pelmora::LeadingNumber(plain) != rounded) std::abort();
        } catch (const pelmora::Failure& failure) {
            if (failure.code() != 13 && failure.code() != 6) std::abort();
        }
    }
    return 0;
}
