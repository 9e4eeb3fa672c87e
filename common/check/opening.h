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

/// Whether the export (its name as opened) is a readable file; else stop gets the first line the
/// conversion ends with, created whether it leaves an empty export behind, and an error goes to
/// place (the export's control line). An empty name adds no finding: check_name gives it.
bool export_readable(Report& report, const Place& place, const std::string& export_name, Stop& stop,
                     bool& created);

}  // namespace convkit
