// The ends of a run.
//
// Interrupt, terminate and quit arrive at any moment, also while a record is half formed or a
// buffer half flushed. Their handlers only note the signal; the report is made at the next
// safe point: the end of a record, the start of a statement, or a system call that the signal
// interrupted (the handlers are installed without restart, so a blocked read returns at once).
// The crash signals cannot wait - returning from them would repeat the fault - so they report
// from the handler itself.
#include "common/recordio/run_end.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "common/recordio/unit.h"

namespace convkit {

volatile std::sig_atomic_t g_pending_signal = 0;

namespace {

StatementState g_state;
bool g_watched = false;

void write_all(int fd, const char* text, size_t length) {
  while (length > 0) {
    ssize_t n = write(fd, text, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text += n;
    length -= static_cast<size_t>(n);
  }
}

const char* signal_text(int sig) {
  switch (sig) {
    case SIGFPE:
      return "Floating Exception\n";
    case SIGABRT:
      return "IOT Trap\n";
    case SIGTRAP:
      return "Trace trap\n";
    case SIGQUIT:
      return "Quit signal\n";
    case SIGINT:
      return "Interrupt\n";
    case SIGTERM:
      return "Killed\n";
    default:
      return "";
  }
}

[[noreturn]] void abort_by_default() {
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

extern "C" void note_signal(int sig) {
  if (g_pending_signal == 0) g_pending_signal = sig;
}

extern "C" void report_crash(int sig) {
  const char* text = signal_text(sig);
  write_all(STDERR_FILENO, text, std::strlen(text));
  close_all_units();
  abort_by_default();
}

void install(int sig, void (*handler)(int), bool keep_ignored) {
  struct sigaction old;
  if (keep_ignored && sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
  struct sigaction act;
  std::memset(&act, 0, sizeof act);
  act.sa_handler = handler;
  sigemptyset(&act.sa_mask);
  act.sa_flags = 0;  // no restart: a blocked read returns so that the report comes promptly
  sigaction(sig, &act, nullptr);
}

}  // namespace

StatementState& statement_state() { return g_state; }

void begin_statement(int n, std::string_view format, bool writing) {
  poll_signals();
  g_state.unit = n;
  g_state.opening_name.clear();
  g_state.format = format;
  g_state.writing = writing;
  g_state.internal = false;
  g_state.in_progress = true;
}

void begin_internal_statement(std::string_view format) {
  g_state.format = format;
  g_state.writing = true;
  g_state.internal = true;
  g_state.in_progress = true;
}

void end_statement() {
  if (g_state.format != "list io") g_state.format = {};
  g_state.in_progress = false;
}

std::string failure_report(std::string_view context, const Failure& failure,
                           const StatementState& state, bool unit_connected, bool unit_named,
                           std::string_view unit_name) {
  std::string report(context);
  report += ": ";
  switch (failure.kind) {
    case FailureKind::end_of_file:
      report += "end of file";
      break;
    case FailureKind::system:
      report += std::strerror(failure.error);
      break;
    case FailureKind::message:
      report += failure.message;
      break;
  }
  report += '\n';
  if (state.internal) {
    report += "apparent state: internal I/O\n";
  } else {
    report += "apparent state: unit ";
    report += std::to_string(state.unit);
    report += ' ';
    // A unit that failed to open is not connected yet, but the user needs the name it had.
    if (unit_connected && unit_named) {
      report += "named ";
      report += unit_name;
    } else if (!unit_connected && !state.opening_name.empty()) {
      report += "named ";
      report += state.opening_name;
    } else {
      report += "(unnamed)";
    }
    report += '\n';
  }
  if (!state.format.empty()) {
    report += "last format: ";
    report += state.format;
    report += '\n';
  }
  report += "lately ";
  report += state.writing ? "writing" : "reading";
  report += " sequential formatted ";
  report += state.internal ? "internal" : "external";
  report += " IO\n";
  return report;
}

void fail_run(std::string_view context, const Failure& failure) {
  bool connected = false, named = false;
  std::string_view name;
  if (g_state.unit >= 0 && g_state.unit < kUnitCount) {
    const Unit& u = unit(g_state.unit);
    connected = u.fd >= 0;
    named = u.named;
    name = u.name;
  }
  std::string report = failure_report(context, failure, g_state, connected, named, name);
  g_state.in_progress = false;
  if (g_watched) {
    close_all_units();
    connect_standard_units();
    throw RunEnded{true, report};
  }
  std::signal(SIGPIPE, SIG_IGN);  // the report and the cut come whoever reads standard error
  write_all(STDERR_FILENO, report.data(), report.size());
  close_all_units();
  abort_by_default();
}

void fail_run_on_file(int n, std::string_view name, std::string_view context,
                      const Failure& failure) {
  if (unit(n).fd >= 0) close_unit(n);
  g_state.unit = n;
  fail_run_naming(name, context, failure);
}

void fail_run_naming(std::string_view name, std::string_view context, const Failure& failure) {
  g_state.internal = false;
  g_state.opening_name = name;
  fail_run(context, failure);
}

void stop_run(std::string_view message) {
  std::string text;
  if (!message.empty()) {
    text = "STOP ";
    text += message;
    text += " statement executed\n";
  }
  if (g_watched) {
    close_all_units();
    connect_standard_units();
    throw RunEnded{false, text};
  }
  write_all(STDERR_FILENO, text.data(), text.size());
  std::exit(0);
}

void act_on_signal() {
  int sig = g_pending_signal;
  std::signal(SIGPIPE, SIG_IGN);
  const char* text = signal_text(sig);
  write_all(STDERR_FILENO, text, std::strlen(text));
  if (sig == SIGQUIT) {
    close_all_units();
    abort_by_default();
  }
  std::exit(1);  // closes every unit on the way out
}

void start_run() {
  install(SIGFPE, report_crash, false);
  install(SIGABRT, report_crash, false);
  install(SIGTRAP, report_crash, false);
  install(SIGQUIT, note_signal, true);
  install(SIGINT, note_signal, true);
  install(SIGTERM, note_signal, false);
  connect_standard_units();
  std::atexit(close_all_units);
}

void watch_run_ends(bool on) { g_watched = on; }

bool run_ends_watched() { return g_watched; }

}  // namespace convkit
