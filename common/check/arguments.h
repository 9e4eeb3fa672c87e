// The command line of a converter: none for a conversion, --check for a look before it,
// --help and --version.
#pragma once

#include <string_view>

namespace convkit {

enum class Mode {
  convert,  // no arguments: the conversion, exactly as it has always run
  check,    // --check: read everything, write nothing, report
};

/// What a program says about itself: its name and its --help text.
struct ProgramText {
  std::string_view name;
  std::string_view help;
};

/// Reads the arguments. --help and --version print on standard output and exit with status 0;
/// any other argument than --check prints "NAME: unrecognized argument 'X'" and "Try 'NAME
/// --help'." on standard error and exits with status 2. Touches no file.
Mode parse_arguments(int argc, char** argv, const ProgramText& program);

/// "NAME (convkit) VERSION", the version of the build.
std::string_view version_line(std::string_view name);

}  // namespace convkit
