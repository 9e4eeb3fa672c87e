// The header of a trace against its data: the potential column is fitted as a ramp (up to the
// vertex and back) plus a sine, and the fit is compared with the header's records.
//
// Tolerances: the scan rate (Rate) and the frequency (Freq1) within 1% of the header's value,
// the amplitude (Amp1) within 5% or 0.05 mV; the sweep's start, vertex and end (Start, Max, End)
// within 1% of the sweep's range (|Max - Start| + |Max - End|) or 0.5 mV. A trace of fewer than
// 16 points, or with a NAN or INF, is not fitted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/trace/trace.h"

namespace convkit {

enum class FindingLevel { note, warning, error };

/// One finding of a check at a line and column of the file (0: the whole file).
struct Finding {
  FindingLevel level = FindingLevel::warning;
  int64_t line = 0;
  int64_t column = 0;
  std::string text;
};

/// The finding as the programs' --check writes one: "FILE:LINE:COLUMN: warning: TEXT".
std::string finding_line(const std::string& file, const Finding& finding);

/// What the fit of the potential column found (potentials in mV).
struct SweepFit {
  bool fitted = false;     // enough finite points to fit
  double start_mv = 0.0;   // the ramp at the first point
  double vertex_mv = 0.0;  // where the ramp turns (the end, for a sweep without a turn)
  double end_mv = 0.0;     // the ramp at the last point
  double rate_mv_s = 0.0;  // the ramp's slope, without sign
  bool sine = false;       // a sine was found on the ramp
  double freq_hz = 0.0;
  double amp_mv = 0.0;
};

/// Fits the potential column of trace.
SweepFit fit_sweep(const Trace& trace);

/// The findings about trace: its header against the fit, NAN or INF points, uneven time steps.
std::vector<Finding> check(const Trace& trace);

}  // namespace convkit
