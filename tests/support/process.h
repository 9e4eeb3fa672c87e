// Runs a real program the way a user would: in its own working directory, with no arguments,
// its console and error streams caught in files, and a hard time limit so that no test can hang.
//
// The child is forked while the test process is small and execs at once, because a child's
// peak resident memory starts from what it inherits at the fork.
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/scratch.h"

namespace convkit::testkit {

// A fresh directory tree for one run: dir() is the program's working directory, and the caught
// streams live beside it, so that they never show among the files the program leaves.
class Sandbox {
 public:
  Sandbox() : root_("convkit-fault"), dir_(root_.path("dir")) {
    if (mkdir(dir_.c_str(), 0755) != 0) throw std::runtime_error("mkdir failed");
  }

  /// The program's working directory.
  const std::string& dir() const { return dir_; }
  /// The directory that holds dir() and the caught streams.
  const std::string& root() const { return root_.path(); }
  /// The path of a file in the working directory.
  std::string path(std::string_view name) const { return dir_ + "/" + std::string(name); }

 private:
  ScratchDir root_;
  std::string dir_;
};

/// The offset of pid's first descriptor open on the file at path, or -1 when it has none.
inline int64_t file_offset_in(pid_t pid, const std::string& path) {
  std::string fds = "/proc/" + std::to_string(pid) + "/fd";
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(fds, ignored)) {
    std::error_code bad;
    if (std::filesystem::read_symlink(entry.path(), bad).string() != path || bad) continue;
    std::string info =
        read_file("/proc/" + std::to_string(pid) + "/fdinfo/" + entry.path().filename().string());
    if (info.compare(0, 4, "pos:") != 0) return -1;
    return std::strtoll(info.c_str() + 4, nullptr, 10);
  }
  return -1;
}

struct RunOptions {
  std::string program;            // absolute path of the binary
  std::vector<std::string> args;  // its arguments (none for a conversion)
  std::string dir;                // working directory
  std::string streams_dir;        // where "stdout" and "stderr" are caught
  std::string tool_dir;           // put first in PATH
  double timeout_seconds = 10.0;
  int signal = 0;                    // sent once (0: none), as soon as ready(pid) holds
  bool to_group = false;             // ... to the whole process group, as a terminal sends it
  std::function<bool(pid_t)> ready;  // polled with the child's id while it runs
  std::vector<int> ignored;          // signals ignored when the program starts
  bool console_reader_gone = false;  // standard output is a pipe whose reader has closed it
  bool errors_to_console = false;    // standard error goes where standard output goes
  std::vector<int> closed;           // standard descriptors closed when the program starts
  std::vector<std::pair<int, rlim_t>> limits;  // resource limits (setrlimit) of the program
  bool without_file_override = false;  // root meets file permissions (can_drop_file_override)
};

// Drops the capabilities by which root passes over the permissions of files, for every program
// this process execs.
inline bool drop_file_override() {
  return prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 &&
         prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) == 0;
}

/// Whether a program run by root can be made to meet file permissions as their owner does
/// (the capabilities are dropped in the child before exec); always true for other users.
inline bool can_drop_file_override() {
  if (geteuid() != 0) return true;
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(drop_file_override() ? 0 : 1);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct RunResult {
  bool exited = false;  // ended by exit (else by a signal, or killed at the time limit)
  int exit_status = -1;
  int term_signal = 0;
  bool timed_out = false;
  bool signal_sent = false;
  double seconds = 0.0;                // from the fork to the end
  double seconds_after_signal = -1.0;  // from the signal to the end
  long max_rss_kib = 0;                // peak resident memory, the child's tools included
  std::string out;                     // standard output
  std::string err;                     // standard error

  bool aborted() const { return !exited && !timed_out && term_signal == SIGABRT; }
};

// The program gets LC_ALL=C, a PATH that starts with options.tool_dir and /dev/null as its
// standard input; at the time limit it is killed with everything it started.
/// Runs the program with no arguments in options.dir and tells how it ended.
inline RunResult run_program(const RunOptions& options) {
  using Clock = std::chrono::steady_clock;
  // Everything the child needs is built before the fork: between fork and exec only plain
  // system calls run.
  std::string out_path = options.streams_dir + "/stdout";
  std::string err_path = options.streams_dir + "/stderr";
  const char* inherited_path = std::getenv("PATH");
  std::string path_var = "PATH=" + options.tool_dir + ":" +
                         (inherited_path != nullptr ? inherited_path : "/usr/bin:/bin");
  std::string home_var = "HOME=" + options.streams_dir;
  std::string lc_var = "LC_ALL=C";
  std::vector<char*> env = {path_var.data(), home_var.data(), lc_var.data(), nullptr};
  std::string program = options.program;
  std::vector<std::string> args = options.args;
  std::vector<char*> argv = {program.data()};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int gone[2] = {-1, -1};
  if (options.console_reader_gone && pipe(gone) != 0) throw std::runtime_error("pipe failed");

  RunResult result;
  Clock::time_point start = Clock::now();
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    setpgid(0, 0);
    // The program must meet the signal dispositions a user's shell gives it, whatever the
    // test runner was started with.
    for (int sig = 1; sig < NSIG; ++sig) {
      if (sig != SIGKILL && sig != SIGSTOP) std::signal(sig, SIG_DFL);
    }
    for (int sig : options.ignored) std::signal(sig, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (chdir(options.dir.c_str()) != 0) _exit(126);
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(options.console_reader_gone ? gone[1] : out, 1);
    dup2(options.errors_to_console ? 1 : err, 2);
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    for (int fd : options.closed) close(fd);
    if (options.without_file_override && geteuid() == 0 && !drop_file_override()) _exit(125);
    for (const auto& [resource, value] : options.limits) {
      struct rlimit limit = {value, value};
      if (setrlimit(resource, &limit) != 0) _exit(125);
    }
    execve(argv[0], argv.data(), env.data());
    _exit(127);
  }
  setpgid(pid, pid);  // also from this side, so the group exists before any kill below
  if (options.console_reader_gone) {
    close(gone[0]);
    close(gone[1]);
  }

  Clock::time_point deadline = start + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(options.timeout_seconds));
  Clock::time_point signalled_at;
  int status = 0;
  struct rusage usage;
  std::memset(&usage, 0, sizeof usage);
  for (;;) {
    pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("wait4 failed");
    Clock::time_point now = Clock::now();
    if (!result.signal_sent && options.ready && options.ready(pid)) {
      kill(options.to_group ? -pid : pid, options.signal);
      signalled_at = Clock::now();
      result.signal_sent = true;
    }
    if (now > deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
      }
      result.timed_out = true;
      break;
    }
    usleep(250);
  }
  Clock::time_point end = Clock::now();
  // A faulty run may leave a shell command going in the background, in the child's process
  // group, which would write into the directory while the test removes it.
  kill(-pid, SIGKILL);

  result.seconds = std::chrono::duration<double>(end - start).count();
  if (result.signal_sent) {
    result.seconds_after_signal = std::chrono::duration<double>(end - signalled_at).count();
  }
  result.max_rss_kib = usage.ru_maxrss;
  if (!result.timed_out) {
    if (WIFEXITED(status)) {
      result.exited = true;
      result.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
      result.term_signal = WTERMSIG(status);
    }
  }
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

}  // namespace convkit::testkit
