// What a conversion will do to its output file, and whether the finishing tool it runs is there
// - found out by looking only: the output is never opened.
#pragma once

#include <string>
#include <string_view>

#include "common/check/report.h"

namespace convkit {

enum class OutputFate {
  created,   // no such file yet
  replaced,  // an existing file, rewritten from its start and cut after the new content
  refused,   // the export itself: the open is refused
  fails,     // the open or the writing fails
};

/// The output's fate; adds a finding at place (the control line that names it) for all but
/// created. export_unit is the unit the export is open on when the output is opened. stop
/// receives the first line of the failure report when the open is sure to fail.
OutputFate check_output(Report& report, const Place& place, const std::string& output,
                        const std::string& export_name, int export_unit, std::string& stop);

/// "created", "replaced", ...: what the summary says about the output.
std::string_view fate_text(OutputFate fate);

/// Whether the shell finds a command of this name on PATH.
bool tool_on_path(std::string_view tool);

}  // namespace convkit
