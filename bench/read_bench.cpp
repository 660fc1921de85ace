#include <benchmark/benchmark.h>

#include "gateway/document_request.h"
#include "phases/form_values.h"
#include "records/iso_regional_format.h"
#include "form/memory_controls_view.h"
#include "fakes/memory_file_system.h"
#include "platform/tick_source.h"
#include "readings/pelmora_read.h"
#include "records/error_log.h"
#include "test_support.h"

namespace {

class CountingTicks : public pelmora::TickSource {
public:
    std::uint32_t GetTickCount() override { return m_now += 3; }

private:
    std::uint32_t m_now = 0;
};

// One whole read of the gateway's document with the window in memory and the
// output file switched on (written to memory).
void BM_PelmoraRead(benchmark::State& state) {
    pelmora::MemoryControlsView view;
    view.set_value("CreateOutputchk", 1);
    pelmora::DocumentRequest request(pelmora::test::ReadFixture("readings.json"));
    CountingTicks ticks;
    pelmora::IsoRegionalFormat format;
    pelmora::MemoryFileSystem files;
    pelmora::ErrorLog log(files, format);
    pelmora::FormValues form;
    const pelmora::ReadContext context{view, request, ticks, format, log, files};
    for (auto _ : state) {
        pelmora::PelmoraRead(context, form);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PelmoraRead);

}  // namespace
