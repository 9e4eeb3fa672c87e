// The conversion's own reads, run by a check: the record layer's statements on the same units,
// with its run-end seam on, so that a failure the conversion would meet is learnt - the first
// line of its report - instead of ending the check. Nothing here creates a file: a check asks
// forecast_open before it lets open_unit near a file.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "common/recordio/run_end.h"

namespace convkit {

/// The first line of the report a conversion would end with, and the unit it names.
struct Stop {
  std::string first_line;  // empty: no failure
  explicit operator bool() const { return !first_line.empty(); }
};

/// Runs step, the record layer's run ends watched; the failure it would end the run with.
template <class Step>
Stop attempt(Step&& step) {
  try {
    step();
  } catch (const RunEnded& end) {
    return Stop{end.failed ? end.report.substr(0, end.report.find('\n')) : "stop"};
  }
  return {};
}

/// Turns the run-end seam on, and opens for reading only, for the rest of the process; memory
/// that cannot be had ends the check with "PROGRAM: out of memory: the check cannot go on" and
/// status 2.
void start_check();

}  // namespace convkit
