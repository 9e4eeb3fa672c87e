// The fit, step by step: the vertex is the point farthest from the first; a straight line is
// fitted to each side of it (leaving out 1% of the points around it, where the sine and the
// turn mix), and the lines meet at the vertex. What the lines leave is the sine: its zero
// crossings (taken where it has swung past half its amplitude, interpolated between points)
// give the frequency, a least-squares fit of a sine and cosine of that frequency the amplitude.
#include "common/trace/header_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "common/trace/sampling.h"

namespace convkit {
namespace {

constexpr size_t kMinPoints = 16;
constexpr double kRateTolerance = 0.01;
constexpr double kFreqTolerance = 0.01;
constexpr double kAmpTolerance = 0.05;
constexpr double kAmpFloorMv = 0.05;
constexpr double kSweepTolerance = 0.01;
constexpr double kSweepFloorMv = 0.5;

struct Line {
  double slope = 0.0;
  double intercept = 0.0;  // at t = 0
  double at(double t) const { return intercept + slope * t; }
};

// Least squares over points [from, to) of e against t, centred for precision.
Line fit_line(const std::vector<double>& t, const std::vector<double>& e, size_t from, size_t to) {
  const double count = static_cast<double>(to - from);
  double mt = 0.0, me = 0.0;
  for (size_t i = from; i < to; ++i) mt += t[i], me += e[i];
  mt /= count;
  me /= count;
  double stt = 0.0, ste = 0.0;
  for (size_t i = from; i < to; ++i) {
    stt += (t[i] - mt) * (t[i] - mt);
    ste += (t[i] - mt) * (e[i] - me);
  }
  Line line;
  line.slope = stt > 0.0 ? ste / stt : 0.0;
  line.intercept = me - line.slope * mt;
  return line;
}

// The zero crossings of r over [from, to) that follow a swing past +-h, as interpolated times;
// adds their count less one and their span to the sums.
void add_crossings(const std::vector<double>& t, const std::vector<double>& r, size_t from,
                   size_t to, double h, double& halves, double& span) {
  int state = 0;
  size_t last_change = from;  // the last k with (r[k-1] > 0) != (r[k] > 0)
  double first = 0.0, last = 0.0;
  int64_t count = 0;
  for (size_t i = from; i < to; ++i) {
    if (i > from && (r[i - 1] > 0.0) != (r[i] > 0.0)) last_change = i;
    const int now = r[i] > h ? 1 : (r[i] < -h ? -1 : 0);
    if (now == 0 || now == state) continue;
    if (state != 0 && last_change > from) {
      const size_t k = last_change;
      const double crossing = t[k - 1] + (t[k] - t[k - 1]) * (0.0 - r[k - 1]) / (r[k] - r[k - 1]);
      if (count == 0) first = crossing;
      last = crossing;
      ++count;
    }
    state = now;
  }
  if (count >= 3) {
    halves += static_cast<double>(count - 1);
    span += last - first;
  }
}

// Solves the 3x3 system a x = b by Cramer's rule; false when it is singular.
bool solve3(const double a[3][3], const double b[3], double x[3]) {
  auto det = [](const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  const double d = det(a);
  if (d == 0.0 || !std::isfinite(d)) return false;
  for (int c = 0; c < 3; ++c) {
    double m[3][3];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] = j == c ? b[i] : a[i][j];
    }
    x[c] = det(m) / d;
  }
  return true;
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", v);
  return text;
}

}  // namespace

std::string finding_line(const std::string& file, const Finding& f) {
  std::string line = file;
  if (f.line > 0) {
    line += ':' + std::to_string(f.line);
    if (f.column > 0) line += ':' + std::to_string(f.column);
  }
  line += f.level == FindingLevel::note      ? ": note: "
          : f.level == FindingLevel::warning ? ": warning: "
                                             : ": error: ";
  return line + f.text;
}

SweepFit fit_sweep(const Trace& trace) {
  SweepFit fit;
  const std::vector<double>& t = trace.time_s;
  const size_t n = t.size();
  if (n < kMinPoints || trace.non_finite_points > 0) return fit;
  std::vector<double> e(n);
  for (size_t i = 0; i < n; ++i) e[i] = 1000.0 * trace.potential_v[i];

  const auto [lowest, highest] = std::minmax_element(e.begin(), e.end());
  const size_t i_min = static_cast<size_t>(lowest - e.begin());
  const size_t i_max = static_cast<size_t>(highest - e.begin());
  const size_t vertex = std::fabs(e[i_max] - e[0]) >= std::fabs(e[i_min] - e[0]) ? i_max : i_min;
  const size_t guard = std::max<size_t>(2, n / 100);
  const size_t end1 = vertex > guard ? vertex - guard : 0;
  const size_t start2 = std::min(n, vertex + guard + 1);
  const bool turns = end1 >= 4 && n - start2 >= 4;

  Line first, second;
  double tv = t[n - 1];
  if (turns) {
    first = fit_line(t, e, 0, end1);
    second = fit_line(t, e, start2, n);
    tv = first.slope != second.slope
             ? (second.intercept - first.intercept) / (first.slope - second.slope)
             : t[vertex];
    if (!(tv >= t[0] && tv <= t[n - 1])) tv = t[vertex];
    const double w1 = static_cast<double>(end1), w2 = static_cast<double>(n - start2);
    fit.rate_mv_s = (std::fabs(first.slope) * w1 + std::fabs(second.slope) * w2) / (w1 + w2);
  } else {
    first = second = fit_line(t, e, 0, n);
    fit.rate_mv_s = std::fabs(first.slope);
  }
  fit.fitted = true;
  fit.start_mv = first.at(t[0]);
  fit.vertex_mv = first.at(tv);
  fit.end_mv = second.at(t[n - 1]);

  // The residual, on the points the lines were fitted to.
  std::vector<double> r(n, 0.0);
  double squares = 0.0;
  size_t used = 0;
  const auto in_fit = [&](size_t i) { return !turns || i < end1 || i >= start2; };
  for (size_t i = 0; i < n; ++i) {
    if (!in_fit(i)) continue;
    r[i] = e[i] - (turns && i >= start2 ? second : first).at(t[i]);
    squares += r[i] * r[i];
    ++used;
  }
  const double amplitude = std::sqrt(2.0 * squares / static_cast<double>(used));
  double halves = 0.0, span = 0.0;
  if (amplitude > 0.0) {
    add_crossings(t, r, 0, turns ? end1 : n, amplitude / 2.0, halves, span);
    if (turns) add_crossings(t, r, start2, n, amplitude / 2.0, halves, span);
  }
  if (halves < 2.0 || !(span > 0.0)) return fit;
  fit.freq_hz = halves / (2.0 * span);

  // r = a sin(wt) + b cos(wt) + c, least squares.
  const double w = 2.0 * std::numbers::pi * fit.freq_hz;
  double a[3][3] = {}, b[3] = {};
  for (size_t i = 0; i < n; ++i) {
    if (!in_fit(i)) continue;
    const double v[3] = {std::sin(w * t[i]), std::cos(w * t[i]), 1.0};
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 3; ++k) a[j][k] += v[j] * v[k];
      b[j] += v[j] * r[i];
    }
  }
  double x[3];
  if (!solve3(a, b, x)) return fit;
  fit.amp_mv = std::hypot(x[0], x[1]);
  // Below that, what the lines leave is the rounding of six-digit values, not a sine.
  fit.sine = fit.amp_mv > kAmpFloorMv;
  if (!fit.sine) fit.freq_hz = 0.0;
  return fit;
}

std::vector<Finding> check(const Trace& trace) {
  std::vector<Finding> findings;
  const TraceHeader& h = trace.header;
  const auto at = [&](std::string_view label, FindingLevel level, std::string text) {
    const HeaderRecord* r = find_record(h, label);
    findings.push_back(
        {level, r != nullptr ? r->line : 0, r != nullptr ? r->value_column : 0, std::move(text)});
  };
  if (trace.non_finite_points > 0) {
    findings.push_back({FindingLevel::warning, trace.first_non_finite_line, 1,
                        std::to_string(trace.non_finite_points) +
                            " points hold NAN or INF (the first here); the sweep is not fitted"});
  }
  const Sampling s = sampling(trace);
  if (s.n >= 2 && !s.uniform) {
    findings.push_back({FindingLevel::warning, trace.first_data_line, 1,
                        "the time steps are not uniform: largest deviation " +
                            number(s.max_deviation_s) + " s from " + number(s.dt) +
                            " s a step, tolerance " + number(s.tolerance_s) + " s"});
  }
  if (trace.non_finite_points > 0) return findings;
  if (trace.time_s.size() < kMinPoints) {
    findings.push_back({FindingLevel::note, trace.first_data_line, 0,
                        "too few points to fit the sweep: " + std::to_string(trace.time_s.size()) +
                            ", 16 at least"});
    return findings;
  }
  const SweepFit fit = fit_sweep(trace);

  if (std::fabs(fit.rate_mv_s - std::fabs(h.rate_mv_s)) > kRateTolerance * std::fabs(h.rate_mv_s)) {
    at("Rate(mV/s):", FindingLevel::warning,
       "the header's scan rate is " + number(h.rate_mv_s) + " mV/s, the potential sweeps at " +
           number(fit.rate_mv_s) + " mV/s (fitted; tolerance 1%)");
  }
  const double range = std::fabs(h.max_mv - h.start_mv) + std::fabs(h.max_mv - h.end_mv);
  const double sweep_tolerance = std::max(kSweepTolerance * range, kSweepFloorMv);
  const struct {
    const char* label;
    const char* what;
    double header;
    double fitted;
  } sweep[] = {{"Start(mV):", "starts at", h.start_mv, fit.start_mv},
               {"Max(mV):", "turns at", h.max_mv, fit.vertex_mv},
               {"End(mV):", "ends at", h.end_mv, fit.end_mv}};
  for (const auto& p : sweep) {
    if (std::fabs(p.fitted - p.header) > sweep_tolerance) {
      at(p.label, FindingLevel::warning,
         std::string(p.label, std::strlen(p.label) - 1) + " is " + number(p.header) +
             " mV, the sweep " + p.what + " " + number(p.fitted) + " mV (fitted; tolerance " +
             number(sweep_tolerance) + " mV)");
    }
  }
  const std::string freq_label = h.layout == Layout::cvsin_type_1 ? "Freq(Hz):" : "Freq1(Hz):";
  const std::string amp_label = h.layout == Layout::cvsin_type_1 ? "Amp(mV):" : "Amp1(mV):";
  const double amp = h.amp_mv[0], freq = h.freq_hz[0];
  if (amp != 0.0 && !fit.sine) {
    at(amp_label, FindingLevel::warning,
       "the header's AC amplitude is " + number(amp) + " mV, the potential holds no sine");
  } else if (fit.sine) {
    if (std::fabs(fit.amp_mv - std::fabs(amp)) >
        std::max(kAmpTolerance * std::fabs(amp), kAmpFloorMv)) {
      at(amp_label, FindingLevel::warning,
         "the header's AC amplitude is " + number(amp) + " mV, the potential's sine has " +
             number(fit.amp_mv) + " mV (fitted; tolerance 5% or 0.05 mV)");
    }
    if (amp != 0.0 && std::fabs(fit.freq_hz - freq) > kFreqTolerance * std::fabs(freq)) {
      at(freq_label, FindingLevel::warning,
         "the header's AC frequency is " + number(freq) + " Hz, the potential's sine has " +
             number(fit.freq_hz) + " Hz (fitted; tolerance 1%)");
    }
  }
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& x, const Finding& y) { return x.line < y.line; });
  return findings;
}

}  // namespace convkit
