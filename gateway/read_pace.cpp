#include "gateway/read_pace.h"

#include <algorithm>

namespace pelmora {

std::uint32_t ReadPace::WaitAfter(int failures) {
    if (failures <= 0) return 0;
    // 2 s doubled for each failure after the first, up to a minute.
    const int doublings = std::min(failures - 1, 5);
    return std::min<std::uint32_t>(2000u << doublings, kLongestWait);
}

std::uint32_t ReadPace::waiting(std::uint32_t now) const {
    if (!m_enabled || m_failures == 0) return 0;
    const std::uint32_t passed = now - m_failed_at;
    const std::uint32_t wait = WaitAfter(m_failures);
    return passed >= wait ? 0 : wait - passed;
}

void ReadPace::After(bool failed, std::uint32_t now) {
    if (!failed) {
        m_failures = 0;
        return;
    }
    m_failures = std::min(m_failures + 1, 1000);
    m_failed_at = now;
}

}  // namespace pelmora
