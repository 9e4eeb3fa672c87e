// What stops a conversion before it reads a byte: a control file that is not there or cannot be
// read, an export it cannot open. The checks of all three programs look at them the same way.
#pragma once

#include <string>
#include <string_view>

#include "common/check/probe.h"
#include "common/check/report.h"

namespace convkit {

/// Whether control can be read; else adds the error and the "result" line. A missing control
/// file is created empty by the conversion, which stops with empty_stop; layout is what the
/// file should hold ("three lines: export, output, delt").
bool control_file_readable(Report& report, std::string_view program, const std::string& control,
                           std::string_view empty_stop, std::string_view layout);

/// What opening the export will do.
struct ExportOpen {
  Stop stop;             // the failure the open, or the first read of an export it creates, meets
  bool created = false;  // a missing export is created empty
  bool fifo = false;     // a FIFO: its writer's bytes, read once; the check leaves them alone
};

/// The open of the export (its name as opened) by the record layer's own forecast; an error
/// at place (the export's control line) when the conversion stops there. rereads: the program
/// rewinds the export after its first pass. An empty name adds no finding: check_name gives it.
ExportOpen forecast_export(Report& report, const Place& place, const std::string& export_name,
                           bool rereads);

}  // namespace convkit
