// The check of an export: the conversion's header search, point count and (where it reads a
// record differently) its conversion reads, run on the export with the record layer; then one
// pass of the check's own over the bytes, to say on which line and column things happen and
// what in the lines the reads take differently from what the user meant.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/check/probe.h"
#include "common/check/report.h"

namespace convkit {

/// How a program reads its export.
struct ExportReading {
  std::string_view program;
  int unit = 2;
  int count_values = 3;               // numbers per record of the point count
  int convert_values = 3;             // numbers per record of the conversion
  bool output_opened_first = false;   // colbrand: the output is open before the export is read
  bool counts_header = true;          // vantor: the header reads are counted (nhead)
  std::string_view two_value_reader;  // the program that reads two-value records, if another
};

/// What the conversion will meet in the export.
struct ExportFacts {
  bool heading_found = false;
  int32_t nhead = 0;  // header reads up to and including the heading
  int64_t heading_line = 0;
  std::string heading_text;
  int32_t npts = 0;              // points counted (and reported on the console)
  int32_t converted = 0;         // points the conversion writes
  bool more_than_limit = false;  // records beyond the point limit are never read
  double first[3] = {0, 0, 0};   // first and last point as converted: E, the current, -
  double last[3] = {0, 0, 0};
  double emin = 0.0, emax = 0.0;   // range of the first column over the points converted
  Stop stop;                       // the failure the conversion meets in the export
  bool stop_after_output = false;  // it comes while the output is being written
  Place stop_place;
  int64_t lines = 0;
  bool misaligned = false;  // the values of some lines are not where the user put them
};

/// Runs the export's reads as the conversion does, on unit reading.unit, and looks at its bytes;
/// adds what it finds to report. name is the export's name as opened, chars/length as the
/// conversion passes it to open_unit.
ExportFacts check_export(const std::string& name, const char* chars, int length,
                         const ExportReading& reading, Report& report);

}  // namespace convkit
