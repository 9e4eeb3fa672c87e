// The run of a DigiElch-to-ZEP converter, as vantor and pressik share it: the control file,
// the name cut and echo, the sweep values, the ZEP file's header and data lines, and the
// finishing command. Each program adds its own banner, header search, point count, time step
// and console summary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/cli/invocation.h"
#include "common/convert/columns.h"
#include "common/convert/export_header.h"
#include "common/convert/statement_watch.h"
#include "common/recordio/fixed_text.h"

namespace convkit {

/// The state of one run, held from the banner to the stop.
struct ZepRun {
  char line[kLineLength];    // the control line or export header item last read as text
  char incut[kLineLength];   // from a control file: the export's name as cut
  char outcut[kLineLength];  // from a control file: the ZEP file's name as cut
  std::string_view inname;   // the export's name as the run opens it: cut, or as given
  std::string_view outname;  // the ZEP file's name as the run opens it
  ZepValues values;          // from the control file's lines 3 to 8, or the arguments
  Columns columns;           // the roles of a data line's values
  double erange = 0.0;       // V
  double freq = 0.0;         // Hz
  int32_t npts = 0;
  double delt = 0.0;  // s
};

/// Console: an empty line, title, date, an empty line.
void write_banner(std::string_view title, std::string_view date);

/// Opens, claims and rewinds the control file on unit 1, reads the two names (cut and echoed on the
/// console) and the six values. Ends the run on a missing line or a value that is no number.
void read_control_file(ZepRun& run, const char* control_name);

/// Opens the control file on unit 1 and rewinds it.
void open_control_file(const char* control_name);

/// Reads the two name lines and cuts them (statements 0 and 1).
void read_names(ZepRun& run, const StatementWatch& watch = {});

/// Console: "Converting X to Y:" and the two names.
void echo_names(const ZepRun& run);

/// Reads vscan, estart, evertex, eend, amp and nper (statements 2 to 7).
void read_values(ZepRun& run, const StatementWatch& watch = {});

/// The names and values the arguments give, as read_control_file would take them from a
/// control file: the names echoed on the console, the values and the columns stored.
void take_arguments(ZepRun& run, const Invocation& invocation);

/// take_arguments without the console lines (--check).
void take_argument_values(ZepRun& run, const Invocation& invocation);

/// erange, then freq, from the control values alone.
void derive_erange_freq(ZepRun& run);

/// How a program spreads the sweep's duration over its points.
enum class TimeSteps {
  per_point,       // vantor: delt = erange / (npts * vscan)
  between_points,  // pressik: delt = erange / ((npts - 1) * vscan)
};

/// delt from erange, vscan and npts.
double derive_delt(const ZepRun& run, TimeSteps steps);

/// Opens the export on unit 2 and rewinds it.
void open_export(const ZepRun& run);

/// Reads at most kMaxPoints records of count doubles each from unit 2 (the first count items
/// of each record, count at most kMaxColumns); returns how many reads were complete before the
/// end of the file.
int32_t count_points(int count);

/// Opens the ZEP file on unit 25, claims it for the run, rewinds it and empties it. Ends the run
/// with "open" when the file cannot be opened (the export's own file included) or another run
/// holds it, "endfile" when it cannot be emptied.
void open_zep_output(const ZepRun& run);

/// Writes the ZEP header block, then one data line for each of at most npts records on unit 2,
/// each read as the columns' values: E, -I and the point's time.
void write_zep_file(const ZepRun& run);

/// Closes units 2 and 25, announces the line-end conversion and runs unix2dos on the output.
/// Ends the run with "close" when the output is no longer there under its name.
void finish_run(const ZepRun& run);

/// The command finish_run gives the shell: "unix2dos" and the output's name as one shell word.
std::string unix2dos_command(const ZepRun& run);

}  // namespace convkit
