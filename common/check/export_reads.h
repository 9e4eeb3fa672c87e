// An export read by the conversion's own code: the program's header search, the shared point
// loop and, where the conversion reads its records differently from its count, its second pass,
// all on the record layer with the run-end seam on. What they meet is the conversion's.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string_view>

#include "common/check/probe.h"
#include "common/convert/columns.h"

namespace convkit {

/// How a program reads its export.
struct ExportReading {
  std::string_view program;
  int count_values = 3;                // numbers per record of the point count
  int convert_values = 3;              // numbers per record of the conversion
  int potential = 0;                   // which of them is the potential
  bool output_opened_first = false;    // colbrand: the output is open before the export is read
  bool delt_from_count = false;        // vantor, pressik: delt is derived from the points counted
  char* line = nullptr;                // the run's line buffer, which the header search leaves
  std::function<int32_t()> search;     // the header search of the first pass: header reads
  std::function<void()> search_again;  // the second pass's, when its records differ; else empty
};

/// The points as the conversion's last pass takes them: the values of the first and the last
/// read, and the range of the potential.
struct PointValues {
  double first[kMaxColumns] = {};
  double last[kMaxColumns] = {};
  double min_e = 0.0, max_e = 0.0;
};

/// What the conversion's reads meet in the export.
struct ExportReads {
  bool heading_found = false;
  int32_t nhead = 0;               // header reads up to and including the heading
  int32_t npts = 0;                // points counted
  int32_t converted = 0;           // points converted
  bool at_limit = false;           // the count stopped at the point bound
  bool partial = false;            // the statement that met the end had taken a value
  off_t data_offset = -1;          // the first byte after the heading
  off_t end_offset = -1;           // after the last record read, when stopped by the bound
  off_t stop_offset = -1;          // the failing statement's first byte
  int stop_count = 0;              // numbers per record of the failing statement
  Stop stop;                       // the failure met
  bool stop_after_output = false;  // it comes while the output is open
  off_t again_offset = -1;         // where the second pass's header search ended
  bool header_stop = false;        // in the header search
  PointValues values;
};

/// Reads the export named by the first length characters of chars on unit 2, as reading says.
ExportReads read_export(const ExportReading& reading, const char* chars, int length);

}  // namespace convkit
