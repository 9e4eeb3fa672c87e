// The data loop all three converters share, for their point count and their conversion alike:
// one free-form statement of a few numbers per record of the export, with the end-of-file
// branch, at most so many times. --check runs the same loop, so it counts what they count.
#pragma once

#include <cstdint>
#include <span>

#include "common/convert/unit_numbers.h"
#include "common/recordio/free_reader.h"

namespace convkit {

/// Reads at most most records of count (1 to 3) numbers each from unit 2 into values, calling
/// each(i, values) after the i-th complete read; returns how many reads were complete before
/// the end of the file. Ends the run on a value that is no number.
template <class Each>
int32_t read_points(int count, int32_t most, double (&values)[3], Each&& each) {
  const ReadItem items[] = {real_item(values[0]), real_item(values[1]), real_item(values[2])};
  const std::span<const ReadItem> record(items, count < 3 ? static_cast<size_t>(count) : 3);
  int32_t i = 1;
  for (; i <= most; ++i) {
    if (read_free(kExportUnit, record, true) == ReadOutcome::end_of_file) break;
    each(i, values);
  }
  return i - 1;
}

}  // namespace convkit
