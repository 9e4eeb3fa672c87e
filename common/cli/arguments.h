// The command line of a converter, GNU style: the conversion as the control file says, or with
// EXPORT, OUTPUT and every value as arguments; --check to foretell either; --help, --version.
#pragma once

#include <string_view>

#include "common/cli/invocation.h"

namespace convkit {

enum class Options {
  zep,       // vantor, pressik: --columns, --vscan, --estart, --evertex, --eend, --amp, --nper
  colbrand,  // --delt, --header
};

/// What a program says about itself: its name, its control file, its --help text and which
/// options it takes.
struct ProgramText {
  std::string_view name;
  std::string_view control;
  std::string_view help;
  Options options;
};

/// Reads the whole command line before anything runs. Options in either form (--vscan 0.1,
/// --vscan=0.1), before or after the names, "--" ending them; values read as free-form number
/// items (read_free_number). --help and --version print on standard output and exit with status
/// 0; a command line that is wrong prints "NAME: what is wrong" and "Try 'NAME --help'." on
/// standard error and exits with status 2. Touches no file.
Invocation parse_arguments(int argc, char** argv, const ProgramText& program);

/// "NAME (convkit) VERSION", the version of the build.
std::string_view version_line(std::string_view name);

}  // namespace convkit
