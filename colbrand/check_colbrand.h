// colbrand's --check and --help.
#pragma once

#include "common/check/arguments.h"

namespace convkit {

/// colbrand's name and --help text.
extern const ProgramText kColbrandText;

/// Looks at colbrand.inp, the export, the output and Header.txt as a conversion would, changing
/// nothing; prints findings and a summary; the exit status (0, 1 warnings, 2 the conversion
/// fails).
int check_colbrand();

}  // namespace convkit
