// A whole trace in memory: read from a file of the family, written as a ZEP file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/trace/trace_header.h"

namespace convkit {

struct Trace {
  std::string path;  // the file read
  TraceHeader header;
  std::vector<double> potential_v;  // as the file holds them: E in V, I in A, t in s
  std::vector<double> current_a;
  std::vector<double> time_s;
  int64_t first_data_line = 0;        // the line of the first point; 0 without points
  int64_t non_finite_points = 0;      // points holding a NAN or INF
  int64_t first_non_finite_line = 0;  // 0: none
};

/// Reads the whole file at path (see trace_reader.h). Throws ParseError when the file is
/// refused, std::system_error when it cannot be read.
Trace read(const std::string& path);

/// Writes a ZEP file at path (created, or replaced) through the programs' ZEP writer: the 41
/// header records of header, then one line per point, with header.line_end's line ends. Reading
/// a file the programs wrote and writing it again gives the same bytes. Throws
/// std::invalid_argument when the columns differ in length or path is empty, ends in a blank or
/// holds a zero byte, std::runtime_error (with the record layer's report) when the file cannot
/// be written.
void write(const std::string& path, const TraceHeader& header,
           const std::vector<double>& potential_v, const std::vector<double>& current_a,
           const std::vector<double>& time_s);

/// The same with the columns given as pointers to n values each.
void write(const std::string& path, const TraceHeader& header, const double* potential_v,
           const double* current_a, const double* time_s, size_t n);

}  // namespace convkit
