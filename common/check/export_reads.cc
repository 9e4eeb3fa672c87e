#include "common/check/export_reads.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/convert/export_header.h"
#include "common/convert/point_loop.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

// The same reads again, up to the end of the done-th record.
void skip_points(int count, int32_t done) {
  PointRecord point(count);
  read_points(point, done, [](int32_t, const double*) {});
}

}  // namespace

ExportReads read_export(const ExportReading& reading, const char* chars, int length) {
  ExportReads r;
  char start_line[kLineLength], again_line[kLineLength];
  std::memcpy(start_line, reading.line, kLineLength);
  PointValues& p = r.values;
  auto see = [&](int32_t i, const double* v, int count) {
    if (i == 1) {
      std::copy(v, v + count, p.first);
      p.min_e = p.max_e = v[reading.potential];
    }
    std::copy(v, v + count, p.last);
    p.min_e = std::fmin(p.min_e, v[reading.potential]);
    p.max_e = std::fmax(p.max_e, v[reading.potential]);
  };
  int32_t failing = 0;  // the failing statement's number in its pass
  bool second = false;  // it is in the second pass
  // One pass of the point loop; partial: the read that met the end had taken a value.
  auto pass = [&](int count, int32_t most, bool& partial) {
    PointRecord point(count);
    double& first = point.values[0];
    first = std::numeric_limits<double>::quiet_NaN();
    failing = 1;
    const int32_t done = read_points(point, most, [&](int32_t i, const double* v) {
      failing = i + 1;
      see(i, v, count);
      first = std::numeric_limits<double>::quiet_NaN();  // to tell a read that took nothing
    });
    failing = 0;
    partial = done < most && !std::isnan(first);
    return done;
  };
  r.stop = attempt([&] {
    open_unit(kExportUnit, chars, length);
    rewind_unit(kExportUnit);
    r.header_stop = true;
    r.nhead = reading.search();
    r.header_stop = false;
    r.heading_found = true;
    r.data_offset = unit_offset(kExportUnit);
    r.npts = pass(reading.count_values, kMaxPoints, r.partial);
    r.converted = r.npts;
    r.at_limit = r.npts == kMaxPoints;
    if (r.at_limit) r.end_offset = unit_offset(kExportUnit);
    if (!reading.search_again) return;
    // The conversion's own reads: after the rewind the header is searched again, and every
    // record gives convert_values numbers.
    second = true;
    rewind_unit(kExportUnit);
    std::memcpy(again_line, reading.line, kLineLength);
    reading.search_again();
    r.again_offset = unit_offset(kExportUnit);
    bool ignored = false;
    r.converted = pass(reading.convert_values, r.npts, ignored);
  });
  if (r.stop && (second || reading.output_opened_first)) r.stop_after_output = true;
  attempt([&] { close_unit(kExportUnit); });
  if (!r.stop || r.header_stop || failing == 0) return r;

  // The failing statement's first byte: the same reads again, from the same line buffer.
  r.stop_count = second ? reading.convert_values : reading.count_values;
  attempt([&] {
    open_unit(kExportUnit, chars, length);
    rewind_unit(kExportUnit);
    std::memcpy(reading.line, start_line, kLineLength);
    reading.search();
    if (second) {
      skip_points(reading.count_values, r.npts);
      rewind_unit(kExportUnit);
      std::memcpy(reading.line, again_line, kLineLength);
      reading.search_again();
    }
    skip_points(r.stop_count, failing - 1);
    r.stop_offset = unit_offset(kExportUnit);
    close_unit(kExportUnit);
  });
  return r;
}

}  // namespace convkit
