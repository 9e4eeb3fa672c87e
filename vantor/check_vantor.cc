#include "vantor/check_vantor.h"

#include "common/check/zep_check.h"
#include "common/convert/export_header.h"

namespace convkit {
namespace {

// The header search of scan_export.
int32_t search_header(ZepRun& run) { return skip_to_column_heading(run.line); }

}  // namespace

int check_vantor(const Invocation& invocation) {
  return check_zep_program(
      {"vantor", "vantor.inp", 0, TimeSteps::per_point, true, search_header, nullptr}, invocation);
}

}  // namespace convkit
