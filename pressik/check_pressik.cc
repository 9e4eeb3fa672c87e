#include "pressik/check_pressik.h"

#include "common/check/zep_check.h"
#include "pressik/header_search.h"

namespace convkit {
namespace {

// Own: the header found by content, as on both passes of the conversion.
int32_t search_header(ZepRun& run) {
  skip_header(run);
  return 0;
}

}  // namespace

// Own: the point count reads two values per record, the time step divides by npts - 1.
int check_pressik(const Invocation& invocation) {
  return check_zep_program(
      {"pressik", "pressik.inp", 2, TimeSteps::between_points, false, search_header, skip_header},
      invocation);
}

}  // namespace convkit
