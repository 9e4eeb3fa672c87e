// The write goes through the record layer's units, as the programs' writes do, with the layer's
// failures turned into exceptions: a library must not end its caller's process.
#include "common/trace/trace.h"

#include <stdexcept>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "common/trace/trace_reader.h"
#include "common/zep/zep_writer.h"

namespace convkit {
namespace {

// A unit none of the programs uses.
constexpr int kTraceUnit = 99;

}  // namespace

Trace read(const std::string& path) {
  TraceReader reader(path);
  Trace trace;
  trace.path = path;
  TracePoint p;
  while (reader.next(p)) {
    trace.potential_v.push_back(p.potential_v);
    trace.current_a.push_back(p.current_a);
    trace.time_s.push_back(p.time_s);
  }
  trace.header = reader.header();
  trace.first_data_line = reader.first_data_line();
  trace.non_finite_points = reader.non_finite_points();
  trace.first_non_finite_line = reader.first_non_finite_line();
  return trace;
}

void write(const std::string& path, const TraceHeader& header,
           const std::vector<double>& potential_v, const std::vector<double>& current_a,
           const std::vector<double>& time_s) {
  if (current_a.size() != potential_v.size() || time_s.size() != potential_v.size()) {
    throw std::invalid_argument("write: the three columns differ in length");
  }
  write(path, header, potential_v.data(), current_a.data(), time_s.data(), potential_v.size());
}

void write(const std::string& path, const TraceHeader& header, const double* potential_v,
           const double* current_a, const double* time_s, size_t n) {
  if (path.empty() || path.back() == ' ' || path.find('\0') != std::string::npos ||
      path.size() > 0x7fffffff) {
    throw std::invalid_argument(
        "write: a file name must not be empty, end in a blank or hold "
        "a zero byte");
  }
  const ZepRecords records = zep_records(header);
  const bool watched = run_ends_watched();
  watch_run_ends(true);
  try {
    open_unit(kTraceUnit, path.data(), static_cast<int>(path.size()));
    if (header.line_end == LineEnd::cr_lf) end_records_with_cr_lf(kTraceUnit);
    empty_unit(kTraceUnit);
    write_zep_records(kTraceUnit, records);
    for (size_t i = 0; i < n; ++i) {
      write_zep_point(kTraceUnit, potential_v[i], current_a[i], time_s[i]);
    }
    close_unit(kTraceUnit);
  } catch (const RunEnded& ended) {
    watch_run_ends(watched);
    throw std::runtime_error(ended.report);
  }
  watch_run_ends(watched);
}

}  // namespace convkit
