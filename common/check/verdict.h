// The summary lines the checks of all three programs end with: the control file and the names it
// gives, what becomes of the output, and the conversion's result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/check/control_lines.h"
#include "common/check/opening.h"
#include "common/check/probe.h"
#include "common/check/report.h"

namespace convkit {

/// The "control file" line with its line ends, then the "export" and "output" names as cut,
/// each with the number of the line that gives it.
void summarize_control(Report& report, const ControlFile& control, std::string_view export_name,
                       int64_t export_line, std::string_view output_name, int64_t output_line);

/// The "output file" line: not opened, not written, or created or replaced and then holding
/// what written says (", and left incomplete").
void summarize_output(Report& report, const std::string& output_name, bool opened, OutputFate fate,
                      std::string_view written);

/// The "result" line: the failure the conversion stops with and where (and the empty export it
/// leaves when export_created), a failure at the output, or its completion.
void summarize_result(Report& report, const Stop& stop, const Place& stop_place, bool completes,
                      bool export_created, const std::string& export_name);

}  // namespace convkit
