// A whole read of any answer: it ends normally or with a Failure, and the
// output file, when written, holds exactly four CR LF lines.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fakes.h"
#include "phases/form_values.h"
#include "form/memory_controls_view.h"
#include "fakes/memory_file_system.h"
#include "read_fakes.h"
#include "readings/pelmora_read.h"
#include "records/error_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    pelmora::MemoryControlsView view;
    view.set_value("CreateOutputchk", 1);
    pelmora::test::ScriptedRequest request({std::string(reinterpret_cast<const char*>(data) + 1, size - 1)});
    pelmora::test::SteppingTicks ticks;
    pelmora::test::FixedRegionalFormat format;
    pelmora::MemoryFileSystem files;
    pelmora::ErrorLog log(files, format);
    pelmora::FormValues form;
    form.ConsumptionMode = (data[0] & 1) != 0;
    form.ZoneOffset = (data[0] & 2) != 0 ? -86400 : 3600;
    bool escaped = false;
    try {
        pelmora::PelmoraRead(pelmora::ReadContext{view, request, ticks, format, log, files}, form);
    } catch (const pelmora::Failure&) {
        escaped = true;
    }
    const auto written = files.files.find(view.text("OutFile"));
    if (escaped && written != files.files.end()) std::abort();
    if (written != files.files.end()) {
        std::size_t lines = 0;
        for (char c : written->second) lines += c == '\n';
        if (lines != 4) std::abort();
    }
    return 0;
}
