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
  std::string meant;     // the export an LF-ended line means: the check reads on with it
  std::string meant_output;  // the output its line means, when the check reads on
};

/// The open of the export (its name as opened) by the record layer's own forecast; an error
/// at place (the export's control line) when the conversion stops there. rereads: the program
/// rewinds the export after its first pass. An empty name adds no finding: check_name gives it.
/// A missing export whose LF-ended line (export_line of control; null in the argument form)
/// means a name that exists: the fix is unix2dos, and the check reads on with the names meant,
/// the output's (output_cut, from output_line) too.
ExportOpen forecast_export(Report& report, const Place& place, const std::string& export_name,
                           bool rereads, const std::string& control, const ControlLine* export_line,
                           const std::string& output_cut, const ControlLine* output_line);

enum class OutputFate {
  created,   // no such file yet
  replaced,  // an existing file, rewritten from its start and cut after the new content
  refused,   // the export itself: the open is refused
  fails,     // the open or the writing fails
};

/// The output's fate, as the running user meets it; adds a finding at place (the control line
/// that names it) for all but a plain create. export_unit is the unit the export is open on when
/// the output is opened; control the control file ("" for none), which the output must not be.
/// stop receives the first line of the failure report when the open or the first write is sure
/// to fail.
OutputFate check_output(Report& report, const Place& place, const std::string& output,
                        const std::string& export_name, int export_unit, const std::string& control,
                        std::string& stop);

/// Whether the output's file system has room for bytes more (an existing output's own blocks
/// counted free); otherwise adds an error at place, sets stop and returns false.
bool check_output_room(Report& report, const Place& place, const std::string& output, int64_t bytes,
                       std::string& stop);

}  // namespace convkit
