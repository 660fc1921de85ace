#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "history/sample.h"

namespace pelmora {

// The latest samples at full resolution in a fixed-size ring: two hours of
// once-a-second reads. A sample whose timestamp is not after the newest one
// is dropped.
class SampleRing {
public:
    static constexpr std::size_t kCapacity = 2 * 3600;

    SampleRing() : m_samples(kCapacity) {}

    // False when dropped for its timestamp.
    bool Add(const Sample& sample);
    std::size_t size() const { return m_size; }
    // The samples from `epoch` on, oldest first.
    std::vector<Sample> Since(std::int64_t epoch) const;
    const Sample* newest() const;

private:
    std::vector<Sample> m_samples;
    std::size_t m_next = 0;
    std::size_t m_size = 0;
};

}  // namespace pelmora
