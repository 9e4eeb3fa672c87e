// The check of a DigiElch-to-ZEP conversion, as vantor and pressik share it: the control file,
// the export, the derived values, the output and unix2dos.
#pragma once

#include <string_view>

#include "common/cli/invocation.h"

namespace convkit {

/// Where the two programs differ.
struct ZepProgram {
  std::string_view name;              // "vantor"
  std::string_view control;           // "vantor.inp"
  int count_values = 3;               // numbers per record of the point count
  bool steps_between_points = false;  // delt over npts - 1 steps (pressik), else npts
  bool header_length = true;          // the console shows the header reads (vantor)
};

/// Runs the check of the run invocation asks for (from the control file in the working
/// directory, or from the arguments), prints findings and summary; the exit status.
int check_zep_program(const ZepProgram& program, const Invocation& invocation);

}  // namespace convkit
