// What the conversion's opens will do, found out by looking only: a control file that is not
// there or cannot be read, an export it cannot open, what becomes of the output. The checks of
// all three programs look at them the same way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/check/control_lines.h"
#include "common/check/probe.h"
#include "common/check/report.h"

namespace convkit {

/// Whether control can be read, else the error and "result" (layout: "three lines: ...").
bool control_file_readable(Report& report, std::string_view program, const std::string& control,
                           std::string_view empty_stop, std::string_view layout);

/// What opening the export will do.
struct ExportOpen {
  Stop stop;             // the failure the open, or the first read of an export it creates, meets
  bool created = false;  // a missing export is created empty
  bool fifo = false;     // a FIFO: its writer's bytes, read once; the check leaves them alone
  std::string meant;     // the export an LF-ended line means: the check reads on with it
  std::string meant_output;  // the output its line means, when the check reads on
};

/// The export's open by the record layer's forecast, an error at place where it stops the run
/// (rereads: rewound after a first pass); LF-ended lines whose meant names exist are read on.
ExportOpen forecast_export(Report& report, const Place& place, const std::string& export_name,
                           bool rereads, const std::string& control, const ControlLine* export_line,
                           const std::string& output_cut, const ControlLine* output_line);

enum class OutputFate {
  created,   // no such file yet
  replaced,  // an existing file, rewritten from its start and cut after the new content
  refused,   // the export itself: the open is refused
  fails,     // the open or the writing fails
};

/// The output's fate with a finding at place for all but a plain create; stop: the first line
/// of the failure report when the open or first write is sure to fail (control: "" for none).
OutputFate check_output(Report& report, const Place& place, const std::string& output,
                        const std::string& export_name, int export_unit, const std::string& control,
                        std::string& stop);

/// Whether the output's file system has room for bytes more, else an error at place and stop.
bool check_output_room(Report& report, const Place& place, const std::string& output, int64_t bytes,
                       std::string& stop);

}  // namespace convkit
