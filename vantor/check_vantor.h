// vantor's --check and --help.
#pragma once

#include "common/check/arguments.h"

namespace convkit {

/// vantor's name and --help text.
extern const ProgramText kVantorText;

/// Looks at vantor.inp, the export and the output as a conversion would, changing nothing;
/// prints findings and a summary; the exit status (0, 1 warnings, 2 the conversion fails).
int check_vantor();

}  // namespace convkit
