// pressik's --check and --help.
#pragma once

#include "common/check/arguments.h"

namespace convkit {

/// pressik's name and --help text.
extern const ProgramText kPressikText;

/// Looks at pressik.inp, the export and the output as a conversion would, changing nothing;
/// prints findings and a summary; the exit status (0, 1 warnings, 2 the conversion fails).
int check_pressik();

}  // namespace convkit
