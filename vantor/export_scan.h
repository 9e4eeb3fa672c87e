// The first pass over a DigiElch export (releases before 7).
#pragma once

#include <cstdint>

#include "vantor/zep_run.h"

namespace convkit {

/// Counts the header reads up to and including the column heading (the first line whose first
/// item begins with "number") into nhead, and the complete three-number reads after it, at most
/// 1000000, into run.npts; leaves unit 2 rewound. Ends the run when the heading never comes or
/// a data line holds something that is no number.
int32_t scan_export(ZepRun& run);

/// Skips nhead header reads on unit 2, so that it stands at the first data line.
void skip_header_lines(ZepRun& run, int32_t nhead);

}  // namespace convkit
