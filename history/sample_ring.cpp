#include "history/sample_ring.h"

namespace pelmora {

bool SampleRing::Add(const Sample& sample) {
    if (const Sample* last = newest(); last != nullptr && sample.epoch <= last->epoch) return false;
    m_samples[m_next] = sample;
    m_next = (m_next + 1) % kCapacity;
    if (m_size < kCapacity) ++m_size;
    return true;
}

const Sample* SampleRing::newest() const {
    if (m_size == 0) return nullptr;
    return &m_samples[(m_next + kCapacity - 1) % kCapacity];
}

std::vector<Sample> SampleRing::Since(std::int64_t epoch) const {
    std::vector<Sample> found;
    const std::size_t oldest = (m_next + kCapacity - m_size) % kCapacity;
    for (std::size_t i = 0; i < m_size; ++i) {
        const Sample& s = m_samples[(oldest + i) % kCapacity];
        if (s.epoch >= epoch) found.push_back(s);
    }
    return found;
}

}  // namespace pelmora
