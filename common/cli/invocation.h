// What a command line asks a converter to do, read whole before anything runs: the conversion
// or its check, and where the names and values come from - the control file, or the arguments.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/convert/columns.h"

namespace convkit {

/// The sweep and AC values of a DigiElch-to-ZEP conversion, as the control file's lines 3 to 8
/// give them.
struct ZepValues {
  double vscan = 0.0;    // V/s
  double estart = 0.0;   // V
  double evertex = 0.0;  // V
  double eend = 0.0;     // V
  double amp = 0.0;      // mV
  int32_t nper = 0;      // AC periods over the whole sweep
};

struct Invocation {
  bool check = false;            // --check: foretell the run, change nothing
  bool control_file = true;      // false: EXPORT and OUTPUT given, and no control file is read
  std::string_view export_name;  // as given (the arguments live as long as the process)
  std::string_view output_name;
  ZepValues values;  // vantor, pressik: with EXPORT and OUTPUT
  Columns columns;   // vantor, pressik: the roles of a data line's values
  bool columns_given = false;
  double delt = 0.0;                            // colbrand: with EXPORT and OUTPUT
  std::string_view header_file = "Header.txt";  // colbrand
};

}  // namespace convkit
