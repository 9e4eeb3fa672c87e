// The failure report, formed from the statement state, and the ends of a run in a process of
// its own: the abort of the failure path, the silent stop, the signal reports.
#include "common/recordio/run_end.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

namespace convkit {
namespace {

TEST(FailureReport, FormsEachLineByTheState) {
  StatementState state;
  state.unit = 1;
  state.format = "list io";
  EXPECT_EQ(failure_report("list in", Failure::end_of_file(), state, true, true, "vantor.inp"),
            "list in: end of file\n"
            "apparent state: unit 1 named vantor.inp\n"
            "last format: list io\n"
            "lately reading sequential formatted external IO\n");

  state.unit = 6;
  state.format = {};
  state.writing = true;
  EXPECT_EQ(failure_report("write", Failure::system(ENOSPC), state, true, false, ""),
            "write: No space left on device\n"
            "apparent state: unit 6 (unnamed)\n"
            "lately writing sequential formatted external IO\n");

  state.internal = true;
  state.format = "(I1)";
  EXPECT_EQ(
      failure_report("malloc failure", Failure::text("out of free space"), state, false, false, ""),
      "malloc failure: out of free space\n"
      "apparent state: internal I/O\n"
      "last format: (I1)\n"
      "lately writing sequential formatted internal IO\n");
}

TEST(RunEnd, TheFailurePathAbortsWithoutTheAbortSignalsOwnReport) {
  EXPECT_EXIT(
      {
        start_run();
        begin_statement(1, "list io", false);
        fail_run("invalid number", Failure::text("incomprehensible list input"));
      },
      ::testing::KilledBySignal(SIGABRT),
      "^invalid number: incomprehensible list input\napparent state: unit 1 \\(unnamed\\)\n"
      "last format: list io\nlately reading sequential formatted external IO\n$");
}

TEST(RunEnd, TheSilentStopSaysNothing) {
  EXPECT_EXIT(
      {
        start_run();
        stop_run("");
      },
      ::testing::ExitedWithCode(0), "^$");
  EXPECT_EXIT(
      {
        start_run();
        stop_run("now");
      },
      ::testing::ExitedWithCode(0), "^STOP now statement executed\n$");
}

TEST(RunEnd, InterruptAndTerminateReportAndExitWithStatusOne) {
  EXPECT_EXIT(
      {
        start_run();
        std::raise(SIGINT);
        poll_signals();
      },
      ::testing::ExitedWithCode(1), "^Interrupt\n$");
  EXPECT_EXIT(
      {
        start_run();
        std::raise(SIGTERM);
        begin_statement(6, "list io", true);
      },
      ::testing::ExitedWithCode(1), "^Killed\n$");
}

}  // namespace
}  // namespace convkit
