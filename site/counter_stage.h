#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "readings/finished_read.h"
#include "site/counter_guard.h"
#include "site/site_reading.h"

namespace pelmora {

// Adds the site's lifetime counters to each good read before passing it on:
// from the site by meter type where the read has one, otherwise from the
// first two meters of its document by position (the second one the total
// consumption with `second_is_total`). Counters pass through a CounterGuard
// that tells `log` what it holds back. With a state file, what the guard
// knows is kept in a file of each gateway's own beside `state_path`
// (written when a rise is held back or a series starts, when another
// gateway is read, and by Flush), and the first read of a gateway goes on
// from its file.
class CounterStage : public FinishedReadSink {
public:
    CounterStage(bool second_is_total, std::ostream& log, std::vector<FinishedReadSink*> next,
                 FileSystem* files = nullptr, std::string state_path = "")
        : m_second_is_total(second_is_total),
          m_log(log),
          m_guard(log),
          m_next(std::move(next)),
          m_files(files),
          m_state_path(std::move(state_path)) {}

    void OnFinishedRead(const FinishedRead& read) override;
    // Writes the state file; a failure to write costs only what a restart
    // keeps, and standard error says so once until a write succeeds again.
    void Flush();

private:
    void restore(const std::string& gateway, std::int64_t now);
    // `state_path`, "-", and the gateway's address with anything but letters,
    // digits, ".", "-" and "_" as "_".
    std::string state_file(const std::string& gateway) const;

    bool m_second_is_total;
    std::ostream& m_log;
    CounterGuard m_guard;
    SiteReader m_reader;
    std::vector<FinishedReadSink*> m_next;
    FileSystem* m_files;
    std::string m_state_path;
    std::string m_gateway;          // the gateway the guard follows; empty before the first read
    bool m_told_unwritten = false;  // said once until a write succeeds again
};

}  // namespace pelmora
