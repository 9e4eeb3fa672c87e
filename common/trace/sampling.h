// The sampling facts of a trace's time column, for a user about to take its FFT.
#pragma once

#include <cstdint>

#include "common/trace/trace.h"

namespace convkit {

struct Sampling {
  int64_t n = 0;            // points
  double duration_s = 0.0;  // last time less first
  double dt = 0.0;          // duration / (n - 1); NaN below two points
  double min_step_s = 0.0;  // smallest and largest difference of neighbouring times
  double max_step_s = 0.0;
  double max_deviation_s = 0.0;    // largest |t[i] - (t[0] + i dt)|
  double tolerance_s = 0.0;        // one unit in the sixth digit of the largest |t|
  bool uniform = false;            // max_deviation_s within tolerance_s, every step positive
  bool power_of_two = false;       // n is 2^k
  double points_per_period = 0.0;  // of the first AC signal: 1 / (freq_hz[0] dt); NaN without
  double periods = 0.0;            // duration * freq_hz[0]; NaN without
  int64_t whole_periods = 0;       // periods rounded down (within tolerance_s of the next one)
};

/// The sampling facts of trace. A time written with six digits is known to one unit in its
/// sixth digit (0.159000E+02 to 1e-4 s): within that, the steps count as uniform.
Sampling sampling(const Trace& trace);

}  // namespace convkit
