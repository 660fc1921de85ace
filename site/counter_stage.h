#pragma once

#include <ostream>
#include <vector>

#include "readings/finished_read.h"
#include "site/counter_guard.h"
#include "site/site_reading.h"

namespace pelmora {

// Adds the site's lifetime counters to each good read before passing it on:
// from the site by meter type where the read has one, otherwise from the
// first two meters of its document by position (the second one the total
// consumption with `second_is_total`). Counters pass through a CounterGuard
// that tells `log` what it holds back.
class CounterStage : public FinishedReadSink {
public:
    CounterStage(bool second_is_total, std::ostream& log, std::vector<FinishedReadSink*> next)
        : m_second_is_total(second_is_total), m_guard(log), m_next(std::move(next)) {}

    void OnFinishedRead(const FinishedRead& read) override;

private:
    bool m_second_is_total;
    CounterGuard m_guard;
    SiteReader m_reader;
    std::vector<FinishedReadSink*> m_next;
};

}  // namespace pelmora
