// The check of a DigiElch-to-ZEP conversion, as vantor and pressik share it: the control file,
// the export, the numbers the ZEP file will hold against the export's own evidence, the output
// and unix2dos.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/cli/invocation.h"
#include "common/zeprun/zep_run.h"

namespace convkit {

/// Where the two programs differ.
struct ZepProgram {
  std::string_view name;     // "vantor"
  std::string_view control;  // "vantor.inp"
  int count_values = 0;      // numbers per record of the point count; 0: the columns' count
  TimeSteps steps = TimeSteps::per_point;
  bool header_length = true;          // the console shows the header reads (vantor)
  int32_t (*search)(ZepRun& run);     // the header search of the first pass: header reads
  void (*search_again)(ZepRun& run);  // the second pass's, when its records differ; or null
};

/// Runs the check of the run invocation asks for (from the control file in the working
/// directory, or from the arguments), prints findings and summary; the exit status.
int check_zep_program(const ZepProgram& program, const Invocation& invocation);

}  // namespace convkit
