#include "pressik/check_pressik.h"

#include "common/check/zep_check.h"

namespace convkit {

// Own: the point count reads two values per record, the time step divides by npts - 1.
int check_pressik(const Invocation& invocation) {
  return check_zep_program({"pressik", "pressik.inp", 2, true, false}, invocation);
}

}  // namespace convkit
