// The ends of a run.
//
// Interrupt, terminate and quit arrive at any moment, also while a record is half formed or a
// buffer half flushed. Their handlers only note the signal; the report is made at the next
// safe point: the end of a record, the start of a statement, or a system call that the signal
// interrupted (the handlers are installed without restart, so a blocked read returns at once).
// The crash signals cannot wait - returning from them would repeat the fault - so they report
// from the handler itself.
//
// A failed allocation never throws: it ends the run with its report wherever it happens, since
// with the memory gone even the exception could not be formed. For the same reason the report
// is formed in place, without taking memory.
#include "common/recordio/run_end.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/recordio/detail/unit_bytes.h"
#include "common/recordio/unit.h"

namespace convkit {

using namespace detail;

volatile std::sig_atomic_t g_pending_signal = 0;

namespace {

StatementState g_state;
bool g_watched = false;

// A report formed in a fixed buffer. The names and formats of the system are short; anything
// beyond the buffer would be cut.
class ReportText {
 public:
  void add(std::string_view text) {
    size_t n = std::min(text.size(), sizeof text_ - length_);
    std::memcpy(text_ + length_, text.data(), n);
    length_ += n;
  }
  void add(int number) {
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    add(std::string_view(digits, static_cast<size_t>(end - digits)));
  }
  std::string_view view() const { return {text_, length_}; }

 private:
  char text_[4096];
  size_t length_ = 0;
};

void form_report(ReportText& report, std::string_view context, const Failure& failure,
                 const StatementState& state, bool unit_connected, bool unit_named,
                 std::string_view unit_name) {
  report.add(context);
  report.add(": ");
  switch (failure.kind) {
    case FailureKind::end_of_file:
      report.add("end of file");
      break;
    case FailureKind::system:
      report.add(std::strerror(failure.error));
      break;
    case FailureKind::message:
      report.add(failure.message);
      break;
  }
  report.add("\n");
  if (state.internal) {
    report.add("apparent state: internal I/O\n");
  } else {
    report.add("apparent state: unit ");
    report.add(state.unit);
    report.add(" ");
    // A unit that failed to open is not connected yet, but the user needs the name it had.
    if (unit_connected && unit_named) {
      report.add("named ");
      report.add(unit_name);
    } else if (!unit_connected && !state.opening_name.empty()) {
      report.add("named ");
      report.add(state.opening_name);
    } else {
      report.add("(unnamed)");
    }
    report.add("\n");
  }
  if (!state.format.empty()) {
    report.add("last format: ");
    report.add(state.format);
    report.add("\n");
  }
  report.add("lately ");
  report.add(state.writing ? "writing" : "reading");
  report.add(" sequential formatted ");
  report.add(state.internal ? "internal" : "external");
  report.add(" IO\n");
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

// Caught rather than ignored, so that the commands the run starts get the default action back.
extern "C" void let_the_write_fail(int) {}

extern "C" void report_crash(int sig) {
  const char* text = signal_text(sig);
  write_all(STDERR_FILENO, text);
  close_all_units();
  abort_by_default();
}

// The new handler: every failed allocation of the run ends it here instead of throwing.
void on_failed_allocation() { fail_out_of_memory(); }

// A closed standard descriptor would be taken by the first file the run opens, and the console
// lines or a report would land in that file. A run that cannot prevent that does not start.
void occupy_closed_standard_descriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd < 0) abort_by_default();
    if (null_fd != fd) {
      dup2(null_fd, fd);
      close(null_fd);
    }
  }
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

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = write(fd, text.data(), text.size());
    if (n < 0) {
      // A signal that interrupts a report kept waiting by its reader is a reason to end now.
      if (errno == EINTR && g_pending_signal == 0) continue;
      return;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
}

const StatementState& statement_state() { return g_state; }

void mark_no_statement_in_progress() { g_state.in_progress = false; }

void begin_open(int n, std::string_view name) {
  g_state.unit = n;
  g_state.internal = false;
  g_state.opening_name = name;
}

void fail_run_on_unit(int n, std::string_view context, const Failure& failure) {
  begin_open(n, {});
  fail_run(context, failure);
}

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
  ReportText report;
  form_report(report, context, failure, state, unit_connected, unit_named, unit_name);
  return std::string(report.view());
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
  ReportText report;
  form_report(report, context, failure, g_state, connected, named, name);
  g_state.in_progress = false;
  if (g_watched) {
    close_all_units();
    connect_standard_units();
    throw RunEnded{true, std::string(report.view())};
  }
  std::signal(SIGPIPE, SIG_IGN);  // the report and the cut come whoever reads standard error
  write_all(STDERR_FILENO, report.view());
  close_all_units();
  abort_by_default();
}

void fail_run_on_file(int n, std::string_view name, std::string_view context,
                      const Failure& failure) {
  if (unit(n).fd >= 0) close_unit(n);
  begin_open(n, name);
  fail_run(context, failure);
}

void fail_out_of_memory() {
  fail_run(g_state.in_progress && g_state.writing ? "malloc failure" : "no space",
           Failure::text("out of free space"));
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
  write_all(STDERR_FILENO, text);
  std::exit(0);
}

void act_on_signal() {
  int sig = g_pending_signal;
  std::signal(SIGPIPE, SIG_IGN);
  const char* text = signal_text(sig);
  write_all(STDERR_FILENO, text);
  if (sig == SIGQUIT) {
    close_all_units();
    abort_by_default();
  }
  std::exit(1);  // closes every unit on the way out
}

void start_run() {
  occupy_closed_standard_descriptors();
  std::set_new_handler(on_failed_allocation);
  install(SIGFPE, report_crash, false);
  install(SIGABRT, report_crash, false);
  install(SIGTRAP, report_crash, false);
  install(SIGQUIT, note_signal, true);
  install(SIGINT, note_signal, true);
  install(SIGTERM, note_signal, false);
  install(SIGXFSZ, let_the_write_fail, false);
  connect_standard_units();
  std::atexit(close_all_units);
}

void watch_run_ends(bool on) { g_watched = on; }

bool run_ends_watched() { return g_watched; }

}  // namespace convkit
