// colbrand: a DigiSim export into three columns behind the bytes of a header file
// ("Header.txt"), as "colbrand.inp" or the arguments say.
#pragma once

#include "common/cli/invocation.h"

namespace convkit {

/// The whole run in the working directory; ends by the silent stop or the failure path.
[[noreturn]] void run_colbrand(const Invocation& invocation);

}  // namespace convkit
