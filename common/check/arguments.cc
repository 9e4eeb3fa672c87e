// Arguments are looked at before the record layer starts, so that --help, --version and a
// mistyped argument end the process before any unit is connected or any file is opened.
#include "common/check/arguments.h"

#include <cstdlib>
#include <string>

#include "common/check/report.h"

#ifndef CONVKIT_VERSION
#error "CONVKIT_VERSION comes from the build: project(VERSION) in the top CMakeLists.txt"
#endif

namespace convkit {

std::string_view version_line(std::string_view name) {
  static std::string line;
  line = std::string(name) + " (convkit) " CONVKIT_VERSION "\n";
  return line;
}

Mode parse_arguments(int argc, char** argv, const ProgramText& program) {
  Mode mode = Mode::convert;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help") {
      write_out(program.help);
      std::exit(0);
    }
    if (arg == "--version") {
      write_out(version_line(program.name));
      std::exit(0);
    }
    if (arg == "--check") {
      mode = Mode::check;
      continue;
    }
    std::string text = std::string(program.name) + ": unrecognized argument '" + std::string(arg) +
                       "'\nTry '" + std::string(program.name) + " --help'.\n";
    write_err(text);
    std::exit(2);
  }
  return mode;
}

}  // namespace convkit
