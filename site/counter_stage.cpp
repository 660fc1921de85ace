#include "site/counter_stage.h"

#include "platform/failure.h"
#include "site/counter_state.h"

namespace pelmora {

namespace {

// A guard's state is a few lines; anything larger is not one.
constexpr std::size_t kLargestState = 4096;

// Whether anything beyond the reads' own progress changed: an offset, a series.
bool series_changed(const CounterGuard::Tracks& before, const CounterGuard::Tracks& after) {
    for (std::size_t c = 0; c < kCounters; ++c) {
        if (before[c].started != after[c].started || before[c].offset != after[c].offset ||
            before[c].before_raw != after[c].before_raw)
            return true;
    }
    return false;
}

}  // namespace

std::string CounterStage::state_file(const std::string& gateway) const {
    std::string name = m_state_path + "-";
    for (const char c : gateway) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '-' || c == '_';
        name += kept ? c : '_';
    }
    return name;
}

void CounterStage::restore(const std::string& gateway, std::int64_t now) {
    m_gateway = gateway;
    m_guard.Restore(CounterGuard::Tracks{});
    if (m_files == nullptr || m_state_path.empty()) return;
    // Each gateway's own file; before there was one per gateway, the one file named its gateway inside.
    for (const std::string& path : {state_file(gateway), m_state_path}) {
        const std::optional<std::string> text = m_files->read_file(path, kLargestState);
        if (!text) continue;
        if (const std::optional<SavedCounters> saved = ParseCounterState(*text, gateway, now)) {
            m_guard.Restore(saved->tracks, saved->derived_floor);
            return;
        }
    }
}

void CounterStage::Flush() {
    if (m_files == nullptr || m_state_path.empty() || m_gateway.empty()) return;
    try {
        // The Windows program names its folders with backslashes.
        const std::size_t slash = m_state_path.find_last_of("/\\");
        if (slash != std::string::npos && slash > 0) m_files->make_folders(m_state_path.substr(0, slash));
        m_files->replace_file(state_file(m_gateway),
                              CounterStateText(m_gateway, m_guard.tracks(), m_guard.derived_floor()));
        m_told_unwritten = false;
    } catch (const Failure& failure) {
        if (!m_told_unwritten) {
            m_log << "Pelmora: the counters' state cannot be written to " << m_state_path << " (" << failure.what()
                  << "); a restart forgets what it holds back\n";
        }
        m_told_unwritten = true;
    }
}

void CounterStage::OnFinishedRead(const FinishedRead& read) {
    FinishedRead out = read;
    if (!read.request_failed && read.epoch) {
        std::optional<SiteReading> by_position;
        if (!read.site && !read.document.empty())
            by_position = m_reader.ReadByPosition(read.document, m_second_is_total);
        const SiteReading* site = read.site ? &*read.site : by_position ? &*by_position : nullptr;
        if (site != nullptr) {
            if (read.address != m_gateway) {
                // Another gateway's counters are another series: the one followed so far is kept first.
                Flush();
                restore(read.address, *read.epoch);
            }
            const CounterGuard::Tracks before = m_guard.tracks();
            out.counters = m_guard.Check(*read.epoch, CountersOf(*site));
            out.consumed_derived = m_guard.consumed_derived();
            if (series_changed(before, m_guard.tracks())) Flush();
        }
    }
    for (FinishedReadSink* sink : m_next) sink->OnFinishedRead(out);
}

}  // namespace pelmora
