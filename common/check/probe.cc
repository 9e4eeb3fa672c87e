#include "common/check/probe.h"

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

}  // namespace convkit
