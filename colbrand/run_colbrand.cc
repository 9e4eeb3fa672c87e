// colbrand's run order.
//
// The header text is put in front of the point lines by the shell after both files are closed:
// the output is moved aside to a scratch file, and "Header.txt" and the scratch file are joined
// into the output's name. The scratch file is new in the working directory for every run, so
// no file of the user's is ever overwritten or removed by it.
#include "colbrand/run_colbrand.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "common/recordio/cut_name.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/format_writer.h"
#include "common/recordio/free_reader.h"
#include "common/recordio/list_writer.h"
#include "common/recordio/run_end.h"
#include "common/recordio/shell.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

constexpr int kControlUnit = 1;
constexpr int kExportUnit = 2;
constexpr int kOutputUnit = 3;
constexpr int32_t kMaxPoints = 1000000;
constexpr int kMessageLength = 11 + kLineLength + 4 + kLineLength;

// A name record: the whole line, cut. A length below 1 is no name: it shows as an empty item and
// its open fails as an empty name, and no byte outside the buffers is touched.
int32_t read_name(char* line, char* name) {
  read_text_line(kControlUnit, line);
  int32_t length = cut_name(line);
  if (length < 0) length = 0;
  text_assign(name, kLineLength, line, length);
  return length;
}

// A fresh, empty scratch file in the working directory; its name.
std::string make_scratch_file() {
  char pattern[] = "colbrand.XXXXXX";
  int fd = mkstemp(pattern);
  if (fd < 0) {
    statement_state().opening_name = pattern;
    fail_run("open", Failure::system(errno));
  }
  close(fd);
  return pattern;
}

}  // namespace

void run_colbrand() {
  char line[kLineLength];
  char inname[kLineLength];
  char outname[kLineLength];
  double delt = 0.0;

  open_unit(kControlUnit, "colbrand.inp", 12);
  rewind_unit(kControlUnit);
  int32_t inlen = read_name(line, inname);
  int32_t outlen = read_name(line, outname);
  read_free(kControlUnit, {real_item(delt)}, false);
  close_unit(kControlUnit);

  char message[kMessageLength];
  text_concat(message, kMessageLength,
              {"Converting ", std::string_view(inname, static_cast<size_t>(inlen)), " to ",
               std::string_view(outname, static_cast<size_t>(outlen))});
  write_list({list_int(inlen), list_int(outlen)});
  write_list({list_text(message, inlen + outlen + 15)});
  write_list({list_text("using delt="), list_real(delt)});

  open_unit(kExportUnit, inname, inlen);
  rewind_unit(kExportUnit);
  open_unit(kOutputUnit, outname, outlen);
  rewind_unit(kOutputUnit);
  // The output is written long after it is opened, and may receive no point at all: an older,
  // longer file of that name must not survive behind the header text.
  empty_unit(kOutputUnit);

  text_assign(line, 6, "argh00", 6);
  while (!text_equal(line, 6, "number", 6)) {
    read_free(kExportUnit, {text_item(line, kLineLength)}, false);
  }

  static const Format kPointFormat = parse_format("(3(E13.6,2x))");
  double x = 0.0, y = 0.0;
  int32_t i = 1;
  for (; i <= kMaxPoints; ++i) {
    if (read_free(kExportUnit, {real_item(x), real_item(y)}, true) == ReadOutcome::end_of_file) {
      break;
    }
    double t = static_cast<double>(i - 1) * delt;
    write_formatted(kOutputUnit, kPointFormat, {real_w(x), real_w(-y), real_w(t)});
  }
  write_list({list_text("Found "), list_int(i - 1), list_text(" points")});

  close_unit(kExportUnit);
  close_unit(kOutputUnit);

  std::string output = shell_word(std::string_view(outname, static_cast<size_t>(outlen)));
  std::string scratch = make_scratch_file();
  std::string commands[] = {
      "mv " + output + " " + scratch,
      "cat Header.txt " + scratch + " > " + output,
      "rm -f " + scratch,
  };
  for (const std::string& command : commands) run_shell(command.data(), command.size());
  stop_run("");
}

}  // namespace convkit
