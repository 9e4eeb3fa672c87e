// How a run ends: the silent stop, the failure report, the signal reports.
//
// Every failure of the record layer ends the run here; nothing has an error branch of its own.
// The report names the statement that was running, so every statement announces itself through
// begin_statement before it touches its unit.
#pragma once

#include <csignal>
#include <string>
#include <string_view>

namespace convkit {

enum class FailureKind {
  end_of_file,  // "<context>: end of file"
  system,       // "<context>: <the system's text for error>", as perror writes it
  message,      // "<context>: <message>"
};

struct Failure {
  FailureKind kind;
  int error = 0;             // for system
  std::string_view message;  // for message

  static Failure end_of_file() { return {FailureKind::end_of_file, 0, {}}; }
  static Failure system(int err) { return {FailureKind::system, err, {}}; }
  static Failure text(std::string_view m) { return {FailureKind::message, 0, m}; }
};

/// What the failure report says about the most recent statement.
struct StatementState {
  int unit = -1;             // current unit; -1 before the first statement
  std::string opening_name;  // the name being opened, while the unit is not connected yet
  std::string_view format;   // the current format, "list io", or empty for none
  bool writing = false;      // lately writing (else reading)
  bool internal = false;     // the most recent statement wrote into a text
  volatile bool in_progress = false;
};

/// The statement state as the failure report would describe it now.
const StatementState& statement_state();

/// The run is ending: no statement is in progress any more, whichever one was interrupted.
void mark_no_statement_in_progress();

/// An open of unit n starts: it becomes the current unit; name is what the report names while
/// the unit is not connected yet (empty once the open has connected it).
void begin_open(int n, std::string_view name);

/// A statement on unit n starts: it becomes the current unit, format the current format
/// ("list io" for free-form statements), writing or reading the last kind of transfer.
/// Acts on a pending signal report first.
void begin_statement(int n, std::string_view format, bool writing);

/// A formatted write into a text starts.
void begin_internal_statement(std::string_view format);

/// The statement ends. A formatted statement's format stops being current; "list io" stays.
void end_statement();

/// The four-line failure report, as it goes to standard error.
std::string failure_report(std::string_view context, const Failure& failure,
                           const StatementState& state, bool unit_connected, bool unit_named,
                           std::string_view unit_name);

/// Writes the failure report for context and failure, closes every unit and ends the process
/// by the abort signal (or through the run-end seam).
[[noreturn]] void fail_run(std::string_view context, const Failure& failure);

/// fail_run with unit n as the current unit: a failure of a unit's own operation (a write the
/// file refuses, a close).
[[noreturn]] void fail_run_on_unit(int n, std::string_view context, const Failure& failure);

/// fail_run with a report that names unit n and the file name, whether or not the unit is
/// connected: for a failure that concerns a file the unit held (a file kept after a command).
[[noreturn]] void fail_run_on_file(int n, std::string_view name, std::string_view context,
                                   const Failure& failure);

/// Ends the run for memory that cannot be had, with "out of free space" in the context of the
/// statement that wanted it: "malloc failure" in a write statement, "no space" otherwise.
[[noreturn]] void fail_out_of_memory();

/// Ends the run normally: "STOP <message> statement executed" on standard error when message
/// is not empty, then exit status 0 after every unit is closed.
[[noreturn]] void stop_run(std::string_view message);

/// Start-up: gives each closed standard descriptor /dev/null (so that no file of the run takes
/// its place), sends every failed allocation to fail_out_of_memory, installs the signal reports
/// (a file size limit makes the write fail instead), connects units 0, 5 and 6 and arranges for
/// every unit to be closed when the process exits.
void start_run();

/// Writes all of text to descriptor fd, again after a write a signal interrupted, unless that
/// signal waits for its report.
void write_all(int fd, std::string_view text);

// ---- Signal reports ------------------------------------------------------------------------

/// The signal that arrived and awaits its report, or 0.
extern volatile std::sig_atomic_t g_pending_signal;

/// Writes the report of the pending signal, closes every unit and exits (status 1) or aborts.
[[noreturn]] void act_on_signal();

/// Acts on a pending signal report, if any; returns when there is none.
inline void poll_signals() {
  if (g_pending_signal != 0) act_on_signal();
}

// ---- The seam ------------------------------------------------------------------------------

/// How a run ended, for a test or fuzz target that watches a run instead of dying with it.
struct RunEnded {
  bool failed;         // fail_run (else stop_run)
  std::string report;  // what went to standard error
};

/// With a watcher installed, fail_run and stop_run close every unit and throw RunEnded
/// instead of ending the process, and close_all_units may run again afterwards.
void watch_run_ends(bool on);

/// Whether a watcher is installed.
bool run_ends_watched();

}  // namespace convkit
