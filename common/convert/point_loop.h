// The data loop all three converters share, for their point count and their conversion alike:
// one free-form statement of a few numbers per record of the export, with the end-of-file
// branch, at most so many times. --check runs the same loop, so it counts what they count.
#pragma once

#include <cstdint>
#include <span>

#include "common/convert/columns.h"
#include "common/convert/unit_numbers.h"
#include "common/recordio/free_reader.h"

namespace convkit {

/// The values of one record and the read items that store them.
struct PointRecord {
  double values[kMaxColumns] = {};
  ReadItem items[kMaxColumns];
  explicit PointRecord(int count)
      : count_(static_cast<size_t>(count < 1             ? 1
                                   : count < kMaxColumns ? count
                                                         : kMaxColumns)) {
    for (int k = 0; k < kMaxColumns; ++k) items[k] = real_item(values[k]);
  }
  std::span<const ReadItem> record() const { return {items, count_}; }
  int count() const { return static_cast<int>(count_); }

 private:
  size_t count_;
};

/// Reads at most most records of point.count() numbers each from unit 2 into point.values,
/// calling each(i, values) after the i-th complete read; returns how many reads were complete
/// before the end of the file. Ends the run on a value that is no number.
template <class Each>
int32_t read_points(PointRecord& point, int32_t most, Each&& each) {
  const std::span<const ReadItem> record = point.record();
  int32_t i = 1;
  for (; i <= most; ++i) {
    if (read_free(kExportUnit, record, true) == ReadOutcome::end_of_file) break;
    each(i, static_cast<const double*>(point.values));
  }
  return i - 1;
}

}  // namespace convkit
