// The three converters' names, control files, options and --help texts.
#pragma once

#include "common/cli/arguments.h"

namespace convkit {

/// vantor's, pressik's and colbrand's ProgramText; set before the process starts.
extern const ProgramText kVantorText;
extern const ProgramText kPressikText;
extern const ProgramText kColbrandText;

}  // namespace convkit
