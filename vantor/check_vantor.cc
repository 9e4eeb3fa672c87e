#include "vantor/check_vantor.h"

#include "common/check/zep_check.h"
#include "common/check/zep_help.h"
#include "common/convert/export_header.h"

namespace convkit {
namespace {

constexpr char kName[] = "vantor";
constexpr char kControl[] = "vantor.inp";
constexpr auto kHelp = zep_help_text(
    kName, kControl,
    "Converts a trace exported by DigiElch (releases before 7) into a ZEP trace file.");

// The header search of scan_export.
int32_t search_header(ZepRun& run) { return skip_to_column_heading(run.line); }

}  // namespace

// Set before the process starts: nothing runs or allocates ahead of main.
constinit const ProgramText kVantorText = {kName, {kHelp.data(), kHelp.size()}};

int check_vantor() {
  return check_zep_program(
      {kName, kControl, 3, TimeSteps::per_point, true, search_header, nullptr});
}

}  // namespace convkit
