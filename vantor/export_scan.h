// The first pass over a DigiElch export (releases before 7), and the header skip of the second.
#pragma once

#include <cstdint>

#include "common/zeprun/zep_run.h"

namespace convkit {

struct ExportScan {
  int32_t nhead = 0;  // header reads up to and including the column heading
  int32_t npts = 0;   // complete reads of a data line's values after it, at most 1000000
};

/// Counts the header reads up to and including the column heading (the first line whose first
/// item begins with "number") and the complete reads of the columns' values after it; leaves unit 2
/// rewound. Ends the run when the heading never comes or a data line holds something that is no
/// number.
ExportScan scan_export(ZepRun& run);

/// Skips nhead header reads on unit 2, so that it stands at the first data line.
void skip_header_lines(ZepRun& run, int32_t nhead);

}  // namespace convkit
