#include "site/counter_stage.h"

namespace pelmora {

void CounterStage::OnFinishedRead(const FinishedRead& read) {
    FinishedRead out = read;
    if (!read.request_failed && read.epoch) {
        std::optional<SiteReading> by_position;
        if (!read.site && !read.document.empty())
            by_position = m_reader.ReadByPosition(read.document, m_second_is_total);
        const SiteReading* site = read.site ? &*read.site : by_position ? &*by_position : nullptr;
        if (site != nullptr) {
            out.counters = m_guard.Check(*read.epoch, CountersOf(*site));
            out.consumed_derived = m_guard.consumed_derived();
        }
    }
    for (FinishedReadSink* sink : m_next) sink->OnFinishedRead(out);
}

}  // namespace pelmora
