#pragma once

#include <string>

#include "platform/controls_view.h"
#include "platform/file_system.h"

namespace pelmora {

// Rewrites the output file named by `OutFile` with four CR LF lines - the
// texts of TimeStamp, Production, Consumption, and the grid flow signed again
// from the back colour of Grid - when `CreateOutputchk` is not 0. With the
// switch off nothing is created or touched. The file is replaced whole, so a
// reader sees the previous reading or the new one. Failures (empty path,
// missing or read-only folder, a Grid text that is not a number) pass to the
// caller with nothing written.
void Save(const ControlsView& view, FileSystem& files);

// The four lines as Save writes them.
std::string OutputFileContent(const ControlsView& view);

// A number in numeric print form: "-" or a blank, the general form, one
// trailing blank ("-1234.5 ", " 0 ").
std::string NumericPrintForm(double value);

}  // namespace pelmora
