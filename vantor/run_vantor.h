// vantor: a DigiElch export (releases before 7) into a ZEP trace file, as "vantor.inp" or the
// arguments say.
#pragma once

#include "common/cli/invocation.h"

namespace convkit {

/// The whole run, as the control file in the working directory or the arguments say; ends by
/// the silent stop or the failure path.
[[noreturn]] void run_vantor(const Invocation& invocation);

}  // namespace convkit
