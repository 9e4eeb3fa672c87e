#include "pressik/check_pressik.h"

#include "common/check/zep_check.h"
#include "common/check/zep_help.h"
#include "pressik/header_search.h"

namespace convkit {
namespace {

constexpr char kName[] = "pressik";
constexpr char kControl[] = "pressik.inp";
constexpr auto kHelp = zep_help_text(
    kName, kControl, "Converts a trace exported by DigiElch 7 into a ZEP trace file.");

// Own: the header found by content, as on both passes of the conversion.
int32_t search_header(ZepRun& run) {
  skip_header(run);
  return 0;
}

}  // namespace

// Set before the process starts: nothing runs or allocates ahead of main.
constinit const ProgramText kPressikText = {kName, {kHelp.data(), kHelp.size()}};

// Own: the point count reads two values per record, the time step divides by npts - 1.
int check_pressik() {
  return check_zep_program(
      {kName, kControl, 2, TimeSteps::between_points, false, search_header, skip_header});
}

}  // namespace convkit
