#include "vantor/check_vantor.h"

#include "common/check/zep_check.h"

namespace convkit {

int check_vantor(const Invocation& invocation) {
  return check_zep_program({"vantor", "vantor.inp", invocation.columns.count, false, true},
                           invocation);
}

}  // namespace convkit
