#include "common/trace/sampling.h"

#include <cmath>
#include <limits>

namespace convkit {

Sampling sampling(const Trace& trace) {
  const std::vector<double>& t = trace.time_s;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Sampling s;
  s.n = static_cast<int64_t>(t.size());
  s.power_of_two = s.n > 0 && (s.n & (s.n - 1)) == 0;
  s.dt = s.min_step_s = s.max_step_s = s.points_per_period = s.periods = nan;
  if (t.empty()) return s;
  double largest = 0.0;
  for (double v : t) largest = std::fmax(largest, std::fabs(v));
  // 0.dddddd E q holds its last digit at 10^(q - 6).
  s.tolerance_s = largest > 0.0 ? std::pow(10.0, std::floor(std::log10(largest)) + 1.0 - 6.0) : 0.0;
  if (t.size() < 2) return s;
  const double n1 = static_cast<double>(t.size() - 1);
  s.duration_s = t.back() - t.front();
  s.dt = s.duration_s / n1;
  s.min_step_s = std::numeric_limits<double>::infinity();
  s.max_step_s = -std::numeric_limits<double>::infinity();
  s.max_deviation_s = 0.0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (i > 0) {
      const double step = t[i] - t[i - 1];
      s.min_step_s = std::fmin(s.min_step_s, step);
      s.max_step_s = std::fmax(s.max_step_s, step);
    }
    const double deviation = std::fabs(t[i] - (t.front() + static_cast<double>(i) * s.dt));
    if (!(deviation <= s.max_deviation_s)) s.max_deviation_s = deviation;
  }
  s.uniform = s.min_step_s > 0.0 && s.max_deviation_s <= s.tolerance_s;
  const double f = trace.header.freq_hz[0];
  if (f > 0.0 && s.dt > 0.0) {
    s.points_per_period = 1.0 / (f * s.dt);
    s.periods = s.duration_s * f;
    s.whole_periods = static_cast<int64_t>(std::floor(s.periods + s.tolerance_s * f));
  }
  return s;
}

}  // namespace convkit
