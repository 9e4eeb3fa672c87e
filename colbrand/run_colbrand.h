// colbrand: a DigiSim export into three columns behind the bytes of a header file
// ("Header.txt"), as "colbrand.inp" or the arguments say.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/cli/invocation.h"
#include "common/convert/statement_watch.h"
#include "common/recordio/fixed_text.h"

namespace convkit {

/// The state of one run.
struct ColbrandRun {
  char line[kLineLength];
  char incut[kLineLength];   // from the control file: the export's name as cut
  char outcut[kLineLength];  // from the control file: the output's name as cut
  int32_t inlen = 0;         // as cut (0 or -1 is no name), or as given
  int32_t outlen = 0;
  std::string_view inname;  // the names the run opens: the cut's characters, or as given
  std::string_view outname;
  std::string_view header_file;
  double delt = 0.0;
  int32_t npts = 0;
};

/// Opens colbrand.inp on unit 1, reads the two name lines (cut) and delt, and closes it; watch
/// is called before each statement with its number (0 to 2). Ends the run on a missing line or
/// a delt that is no number.
void read_control_file(ColbrandRun& run, const StatementWatch& watch = {});

/// The names and delt the arguments give, as read_control_file would take them.
void take_arguments(ColbrandRun& run, const Invocation& invocation);

/// The three commands that put the header file in front of the point lines of the output word
/// (a shell word), moved aside to scratch: mv, cat, rm.
struct HeaderCommands {
  std::string move, join, remove;
};
HeaderCommands header_commands(std::string_view word, std::string_view scratch,
                               std::string_view header_file);

/// The tools those commands run.
inline constexpr const char* kHeaderTools[] = {"mv", "cat", "rm"};

/// The whole run in the working directory; ends by the silent stop or the failure path.
[[noreturn]] void run_colbrand(const Invocation& invocation);

}  // namespace convkit
