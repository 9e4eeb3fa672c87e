// What a conversion will do to its output file, and whether the finishing tool it runs is there
// - found out by looking only: the output is never opened.
#pragma once

#include <cstdint>
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
