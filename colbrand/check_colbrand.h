// colbrand's --check.
#pragma once

#include "common/cli/invocation.h"

namespace convkit {

/// Looks at colbrand.inp, the export, the output and Header.txt as a conversion would, changing
/// nothing; prints findings and a summary; the exit status (0, 1 warnings, 2 the conversion
/// fails).
int check_colbrand(const Invocation& invocation);

}  // namespace convkit
