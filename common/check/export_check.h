// The check's own pass over an export's lines, after the conversion's reads (export_reads.h):
// on which line and column things happen, and what in the lines the reads take differently
// from what the user meant.
#pragma once

#include <cstdint>
#include <string>

#include "common/check/export_reads.h"
#include "common/check/report.h"

namespace convkit {

/// What the lines show.
struct ExportLines {
  int64_t heading_line = 0;
  std::string heading_text;     // its visible text, tabs as blanks, at most 80 characters
  int64_t lines = 0;            // lines in the file
  bool misaligned = false;      // the values of some lines are not where the user put them
  int64_t two_value_lines = 0;  // every data line holds two values: their count
  int64_t stated_line = 0;      // a header line that states the number of points
  int64_t stated = -1;          // the number it states
  int64_t point_line = 0;       // the line of the point asked for
  Place stop_place;             // where the failure met happens
};

/// Looks at the export's lines, adds what it finds to report; name is the export as opened,
/// point the number of a point whose line is wanted (0: none).
ExportLines look_at_export(const std::string& name, const ExportReading& reading,
                           const ExportReads& reads, int32_t point, Report& report);

}  // namespace convkit
