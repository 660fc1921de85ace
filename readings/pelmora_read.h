#pragma once

#include "gateway/gateway_request.h"
#include "phases/form_values.h"
#include "readings/finished_read.h"
#include "platform/controls_view.h"
#include "platform/file_system.h"
#include "platform/regional_format.h"
#include "platform/tick_source.h"
#include "records/error_log.h"

namespace pelmora {

// What one read needs from outside: the window's controls, the gateway
// request, the tick count, the regional date form, the error log (for the
// timestamp conversion) and the files (for the output file).
struct ReadContext {
    ControlsView& view;
    GatewayRequest& request;
    TickSource& ticks;
    const RegionalFormat& format;
    ErrorLog& log;
    FileSystem& files;
};

// The read routine: requests the readings document from the gateway named
// in `IP`, times the request into `Turnaround`, puts every figure, colour,
// timestamp and phase value on the window, then writes the output file.
// One failed step is tolerated and the read goes on with the next step, kind
// or item; a second failure ends the read at once (no output file) and is
// thrown to the caller as a pelmora::Failure. A read that reaches the output
// file step fills `finished`, when given, with its figures as numbers.
void PelmoraRead(const ReadContext& context, FormValues& form, FinishedRead* finished = nullptr);

}  // namespace pelmora
