#include "common/check/probe.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/recordio/unit.h"

namespace convkit {
namespace {

// A check that runs out of memory says so and ends as a check that cannot read what it needs
// does, with status 2; the message is written without taking memory.
void check_out_of_memory() {
  const char* program = program_invocation_short_name;
  const char* text = ": out of memory: the check cannot go on\n";
  (void)!write(STDERR_FILENO, program, std::strlen(program));
  (void)!write(STDERR_FILENO, text, std::strlen(text));
  std::_Exit(2);
}

}  // namespace

void start_check() {
  std::set_new_handler(check_out_of_memory);
  watch_run_ends(true);
  open_units_for_reading_only();
  connect_standard_units();
}

FileState file_state(const std::string& name, int* error) {
  struct stat st;
  *error = 0;
  if (stat(name.c_str(), &st) != 0) {
    *error = errno;
    return errno == ENOENT ? FileState::missing : FileState::unreadable;
  }
  // A file that cannot be read would be opened for writing only, and emptied; a folder, a pipe
  // or a device is not what a conversion reads either.
  if (!S_ISREG(st.st_mode)) {
    *error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return FileState::unreadable;
  }
  if (access(name.c_str(), R_OK) != 0) {
    *error = errno;
    return FileState::unreadable;
  }
  return FileState::regular;
}

std::string name_as_opened(const char* chars, int length) {
  size_t n = length > 0 ? static_cast<size_t>(length) : 0;
  return std::string(opened_name(std::string_view(chars, n)));
}

}  // namespace convkit
