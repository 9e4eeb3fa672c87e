// pressik's --check.
#pragma once

#include "common/cli/invocation.h"

namespace convkit {

/// Looks at pressik.inp, the export and the output as a conversion would, changing nothing;
/// prints findings and a summary; the exit status (0, 1 warnings, 2 the conversion fails).
int check_pressik(const Invocation& invocation);

}  // namespace convkit
