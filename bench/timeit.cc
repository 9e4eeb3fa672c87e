// timeit: runs one command and prints what it cost, on one line:
//
//   <user+system seconds> <wall seconds> <peak resident KiB> <exit status>
//
// The CPU time and the peak come from wait4, so they cover the child and every process it
// waited for - the shell commands a converter runs at its end included - and nothing else on
// the machine. Wall time is taken around fork and wait.
//
// Usage: timeit [-C DIR] [-E NAME=VALUE]... [-o STDOUT_FILE] [-e STDERR_FILE] -- COMMAND [ARG...]
// The variables are set in the command's environment by timeit itself, so that no env process
// (whose exec alone costs milliseconds on a virtual machine) is timed with it. Standard input is
// /dev/null; standard output and error go to /dev/null unless named. The exit status is 0 when the
// command exited with 0, else 1.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace convkit {
namespace {

[[noreturn]] void usage() {
  std::fputs(
      "usage: timeit [-C DIR] [-E NAME=VALUE]... [-o STDOUT_FILE] [-e STDERR_FILE] -- COMMAND "
      "[ARG...]\n",
      stderr);
  std::exit(2);
}

double seconds(const timeval& tv) {
  return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6;
}

double seconds(const timespec& ts) {
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Replaces descriptor target with the file at path, opened with flags; ends the child on failure.
void redirect(const char* path, int flags, int target) {
  int fd = open(path, flags, 0666);
  if (fd < 0 || dup2(fd, target) < 0) {
    std::fprintf(stderr, "timeit: %s: %s\n", path, std::strerror(errno));
    _exit(127);
  }
  if (fd != target) close(fd);
}

void append_fixed(std::string& line, double value, int precision) {
  char text[64];
  std::to_chars_result r =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
  line.append(text, r.ptr);
}

void append_integer(std::string& line, long value) {
  char text[24];
  std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
  line.append(text, r.ptr);
}

}  // namespace
}  // namespace convkit

int main(int argc, char** argv) {
  using namespace convkit;
  const char* dir = nullptr;
  const char* out = "/dev/null";
  const char* err = "/dev/null";
  std::vector<char*> settings;
  int at = 1;
  for (; at < argc; ++at) {
    std::string_view arg = argv[at];
    if (arg == "--") {
      ++at;
      break;
    }
    if (at + 1 >= argc) usage();
    if (arg == "-C") {
      dir = argv[++at];
    } else if (arg == "-E") {
      settings.push_back(argv[++at]);
      if (std::strchr(settings.back(), '=') == nullptr) usage();
    } else if (arg == "-o") {
      out = argv[++at];
    } else if (arg == "-e") {
      err = argv[++at];
    } else {
      usage();
    }
  }
  if (at >= argc) usage();
  char** command = argv + at;

  timespec start{}, stop{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t child = fork();
  if (child < 0) {
    std::perror("timeit: fork");
    return 1;
  }
  if (child == 0) {
    if (dir != nullptr && chdir(dir) != 0) {
      std::fprintf(stderr, "timeit: %s: %s\n", dir, std::strerror(errno));
      _exit(127);
    }
    for (char* setting : settings) {
      if (putenv(setting) != 0) _exit(127);
    }
    redirect("/dev/null", O_RDONLY, STDIN_FILENO);
    redirect(out, O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
    redirect(err, O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO);
    execvp(command[0], command);
    std::fprintf(stderr, "timeit: %s: %s\n", command[0], std::strerror(errno));
    _exit(127);
  }

  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("timeit: wait4");
      return 1;
    }
  }
  clock_gettime(CLOCK_MONOTONIC, &stop);

  const double cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  const double wall = seconds(stop) - seconds(start);
  int shown = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::string line;
  append_fixed(line, cpu, 6);
  line += ' ';
  append_fixed(line, wall, 6);
  line += ' ';
  append_integer(line, usage.ru_maxrss);  // KiB on Linux
  line += ' ';
  append_integer(line, shown);
  line += '\n';
  std::fputs(line.c_str(), stdout);
  return shown == 0 ? 0 : 1;
}
