// A run's end caught where a test or fuzz target runs the record layer in its own process.
//
// With the run's ends watched (watch_run_ends), fail_run and stop_run throw RunEnded instead of
// ending the process; these catch it.
#pragma once

#include <optional>
#include <string>

#include "common/recordio/run_end.h"

namespace convkit::testkit {

/// Runs fn and returns how the run ended inside it, or nothing when fn returned.
template <class Fn>
std::optional<RunEnded> run_end_of(Fn&& fn) {
  try {
    fn();
  } catch (const RunEnded& ended) {
    return ended;
  }
  return std::nullopt;
}

/// The failure report of the run's end inside fn; "no failure" when fn returned, and "stop: "
/// before what the stop wrote when the run stopped, so that neither passes for a failure.
template <class Fn>
std::string failure_of(Fn&& fn) {
  std::optional<RunEnded> ended = run_end_of(fn);
  if (!ended) return "no failure";
  return ended->failed ? ended->report : "stop: " + ended->report;
}

}  // namespace convkit::testkit
