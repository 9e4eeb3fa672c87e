// The shell call. A name from a control file is data, never part of a command: any name with a
// character the shell could read as syntax goes into the command single-quoted.
#include "common/recordio/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/recordio/detail/unit_bytes.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {

using namespace detail;

bool is_plain_word_char(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("._+,:@%/=-", c) != nullptr && c != '\0';
}

namespace {

CommandRunner g_runner = nullptr;

// Runs line through /bin/sh and waits, as system does, except that this process keeps its own
// reports of interrupt and quit while the command runs: a terminal sends them to the command
// and to the run alike, and the run must not go on as if nothing had happened. The command gets
// the default actions back (an ignored signal stays ignored). Returns the wait status, or -1
// when no shell could be started.
int spawn_and_wait(char* line) {
  char sh[] = "sh";
  char dash_c[] = "-c";
  char* argv[] = {sh, dash_c, line, nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// A command ended by interrupt or quit was stopped by the user, whether or not the signal
// reached this process too: the run takes it as its own, unless it ignores that signal.
void note_interrupt_of(int status) {
  if (status < 0 || !WIFSIGNALED(status) || g_pending_signal != 0) return;
  const int sig = WTERMSIG(status);
  if (sig != SIGINT && sig != SIGQUIT) return;
  struct sigaction current;
  if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) return;
  g_pending_signal = sig;
}

}  // namespace

void run_commands_through(CommandRunner runner) { g_runner = runner; }

int run_shell(const char* command, size_t length, NotedSignal noted) {
  const void* zero = std::memchr(command, '\0', length);
  if (zero != nullptr) length = static_cast<size_t>(static_cast<const char*>(zero) - command);
  char* line = static_cast<char*>(std::malloc(length + 1));
  if (line == nullptr) {
    std::fprintf(stderr, "malloc(%u) failure in %s\n", static_cast<unsigned>(length + 1),
                 "run_shell");
    std::exit(3);
  }
  std::memcpy(line, command, length);
  line[length] = '\0';
  // The console's lines come before what the command prints, also where both go to one log. A
  // console whose reader has gone must not end the run here; the command gets the default back.
  void (*pipe_action)(int) = std::signal(SIGPIPE, SIG_IGN);
  flush_unit(unit(kConsoleUnit));
  std::signal(SIGPIPE, pipe_action);
  int status = g_runner != nullptr ? g_runner(line) : spawn_and_wait(line);
  std::free(line);
  note_interrupt_of(status);
  if (noted == NotedSignal::report) poll_signals();
  return status;
}

std::string shell_word(std::string_view name) {
  // A name that begins with a dash would be read as an option by the tool it is given to.
  std::string word = name.substr(0, 1) == "-" ? "./" : "";
  bool plain = !name.empty();
  for (char c : name) plain = plain && is_plain_word_char(c);
  if (plain) return word.append(name);
  word += "'";
  for (char c : name) {
    if (c == '\'') {
      word += "'\\''";
    } else {
      word += c;
    }
  }
  word += '\'';
  return word;
}

bool tool_on_path(std::string_view tool) {
  // The shell's own search path when PATH is not set at all.
  const char* env = std::getenv("PATH");
  const std::string_view path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t colon = path.find(':', start);
    const std::string_view dir = path.substr(
        start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    // An empty entry is the working directory.
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate += '/';
    candidate += tool;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return true;
    }
    if (colon == std::string_view::npos) return false;
    start = colon + 1;
  }
}

}  // namespace convkit
