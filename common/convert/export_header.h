// What the three converters share about their exports: the bound on the points of one run, and the
// end of an export's header block.
#pragma once

#include <cstdint>

#include "common/convert/unit_numbers.h"

namespace convkit {

inline constexpr int32_t kMaxPoints = 1000000;

/// Whether a 72-character text read as a line's first item is the column heading: its first six
/// characters are "number", case and all.
bool is_column_heading(const char* line72);

/// Reads the first item of each line of unit 2 into line72 up to and including the column
/// heading; returns how many lines that took. Ends the run when the export ends first.
int32_t skip_to_column_heading(char* line72);

}  // namespace convkit
