// colbrand's run order.
//
// The header text is put in front of the point lines by the shell after both files are closed:
// the output is moved aside to a scratch file, and "Header.txt" and the scratch file are joined
// into the output's name. The scratch file is new in the working directory for every run, so
// no file of the user's is ever overwritten or removed by it. Each command runs only when the
// one before it did its work, and the scratch file goes only once the output is whole: a failed
// command ends the run with a report naming the file that holds the points.
#include "colbrand/run_colbrand.h"

#include <cstdint>
#include <string>

#include "common/convert/cut_name.h"
#include "common/convert/export_header.h"
#include "common/convert/point_loop.h"
#include "common/recordio/file_claim.h"
#include "common/recordio/file_probe.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/format_writer.h"
#include "common/recordio/free_reader.h"
#include "common/recordio/line_read.h"
#include "common/recordio/list_writer.h"
#include "common/recordio/run_end.h"
#include "common/recordio/scratch_file.h"
#include "common/recordio/shell.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

constexpr int kOutputUnit = kColumnsUnit;
constexpr std::string_view kScratchPrefix = "colbrand.";

// The characters of a name that exist: a cut below 1 is no name.
size_t used_length(int32_t length) { return length > 0 ? static_cast<size_t>(length) : 0; }

// A name record: the whole line, cut. The console shows the cut as it is.
int32_t read_name(ColbrandRun& run, char* name) {
  read_text_line(kControlUnit, run.line);
  return take_name(run.line, name);
}

// The message shows inlen + outlen + 15 characters: a name cut to -1 takes one character off
// its end.
void write_console_head(const ColbrandRun& run) {
  std::string message = "Converting " + std::string(run.inname) + " to " + std::string(run.outname);
  size_t shown = static_cast<size_t>(run.inlen + run.outlen + 15);
  if (shown > message.size()) shown = message.size();
  write_list({int_out(run.inlen), int_out(run.outlen)});
  write_list({text_out(message.data(), static_cast<int>(shown))});
  write_list({text_out("using delt="), real_out(run.delt)});
}

// The output is only opened here: it keeps its bytes until the first point line is due.
// The header file as the output would lose the header text to the points, so it is refused
// before a byte of it changes.
void open_files(const ColbrandRun& run) {
  open_unit(kExportUnit, run.inname.data(), static_cast<int>(run.inname.size()));
  rewind_unit(kExportUnit);
  open_unit(kOutputUnit, run.outname.data(), static_cast<int>(run.outname.size()));
  claim_unit_for_run(kOutputUnit);
  if (unit_is_file(kOutputUnit, run.header_file)) {
    std::string message = "file is the header file " + std::string(run.header_file);
    fail_run("open", Failure::text(message));
  }
  rewind_unit(kOutputUnit);
}

// An existing output is emptied only once this run has something to put there - its first point
// line, or the end of an export without one - so a run that fails before leaves it as it was,
// and one that is killed later never leaves this run's lines on an older file's tail.
int32_t convert_points(const ColbrandRun& run) {
  static const Format kPointFormat = parse_format("(3(E13.6,2x))");
  PointRecord point(2);
  int32_t npts = read_points(point, kMaxPoints, [&](int32_t i, const double* v) {
    if (i == 1) empty_unit(kOutputUnit);
    double t = static_cast<double>(i - 1) * run.delt;
    write_formatted(kOutputUnit, kPointFormat, {real_out(v[0]), real_out(-v[1]), real_out(t)});
  });
  if (npts == 0) empty_unit(kOutputUnit);
  return npts;
}

// The output's name as its open reaches it.
std::string_view output_name(const ColbrandRun& run) { return opened_name(run.outname); }

// The file the finishing commands work on: the output, or the file it links to.
std::string finishing_target(const ColbrandRun& run, const FileProbe& output) {
  return output.link && !output.resolved.empty() ? output.resolved : std::string(output_name(run));
}

// What the finishing commands need, looked at before the output is touched, so that a run that
// could not finish leaves the output byte for byte: a scratch file in the working folder, an
// output folder that takes the move away and the new file back, and a header file that cat
// reads to its end. A missing header file is cat's to report. A device or a pipe as output is
// not finished at all.
void require_finishing_needs(const ColbrandRun& run) {
  const FileProbe output = probe_file(output_name(run));
  if (output.exists && !output.regular) return;
  require_scratch_room(kScratchPrefix, kOutputUnit);
  const std::string target = finishing_target(run, output);
  if (output.exists) {
    const int refused = folder_refuses_move(target);
    if (refused != 0) fail_run_on_file(kOutputUnit, target, "mv", Failure::system(refused));
  }
  const FileProbe header = probe_file(run.header_file);
  if (header.exists && !header.regular) {
    std::string message = std::string(run.header_file) + " is not a regular file";
    fail_run_on_file(kOutputUnit, target, "cat", Failure::text(message));
  }
  if (header.exists && !header.readable) {
    std::string message = std::string(run.header_file) + " cannot be read";
    fail_run_on_file(kOutputUnit, target, "cat", Failure::text(message));
  }
}

// Puts the bytes of the header file in front of the point lines. Only a regular file can be
// moved aside and joined again; points written to a device or a pipe stay where they went. A
// signal noted meanwhile waits until the output is whole again; a command the user interrupted
// ends the run with the signal's report, the point lines back under the output's name.
void prepend_header(const ColbrandRun& run) {
  FileProbe output = probe_file(output_name(run));
  if (!output.regular) return;
  const std::string target = finishing_target(run, output);
  const off_t points_bytes = output.size;
  const std::string word = shell_word(target);
  const std::string scratch = create_scratch_file(kScratchPrefix, kOutputUnit);

  const HeaderCommands commands = header_commands(word, scratch, run.header_file);
  const std::string& move = commands.move;
  if (run_shell(move.data(), move.size(), NotedSignal::hold) != 0) {
    if (probe_file(target).exists) {
      remove_scratch_file(scratch);
    } else {
      put_back_scratch_file(scratch, target);
    }
    poll_signals();
    std::string message = "the output was not moved aside; its point lines are in " + target;
    fail_run_on_file(kOutputUnit, target, "mv", Failure::text(message));
  }
  const std::string& join = commands.join;
  run_shell(join.data(), join.size(), NotedSignal::hold);
  FileProbe header = probe_file(run.header_file);
  off_t header_bytes = header.regular && header.readable ? header.size : 0;
  if (probe_file(target).size != header_bytes + points_bytes) {
    if (g_pending_signal != 0 && put_back_scratch_file(scratch, target)) poll_signals();
    std::string message = "the output is incomplete; its point lines are kept in " + scratch;
    fail_run_on_file(kOutputUnit, scratch, "cat", Failure::text(message));
  }
  const std::string& remove = commands.remove;
  run_shell(remove.data(), remove.size(), NotedSignal::hold);
  if (g_pending_signal != 0) remove_scratch_file(scratch);
  poll_signals();
}

}  // namespace

void read_control_file(ColbrandRun& run, const StatementWatch& watch) {
  open_unit(kControlUnit, "colbrand.inp", 12);
  claim_unit_for_run(kControlUnit);
  rewind_unit(kControlUnit);
  if (watch) watch(0);
  run.inlen = read_name(run, run.incut);
  run.inname = std::string_view(run.incut, used_length(run.inlen));
  if (watch) watch(1);
  run.outlen = read_name(run, run.outcut);
  run.outname = std::string_view(run.outcut, used_length(run.outlen));
  if (watch) watch(2);
  read_free(kControlUnit, {real_item(run.delt)}, false);
  close_unit(kControlUnit);
}

void take_arguments(ColbrandRun& run, const Invocation& invocation) {
  run.inname = invocation.export_name;
  run.outname = invocation.output_name;
  run.inlen = static_cast<int32_t>(run.inname.size());
  run.outlen = static_cast<int32_t>(run.outname.size());
  run.delt = invocation.delt;
}

HeaderCommands header_commands(std::string_view word, std::string_view scratch,
                               std::string_view header_file) {
  const std::string w(word), s(scratch);
  return {"mv " + w + " " + s, "cat " + shell_word(header_file) + " " + s + " > " + w,
          "rm -f " + s};
}

void run_colbrand(const Invocation& invocation) {
  ColbrandRun run{};
  run.header_file = invocation.header_file;
  if (invocation.control_file) {
    read_control_file(run);
  } else {
    take_arguments(run, invocation);
  }
  write_console_head(run);
  require_finishing_needs(run);
  open_files(run);
  skip_to_column_heading(run.line);
  run.npts = convert_points(run);
  write_list({text_out("Found "), int_out(run.npts), text_out(" points")});
  close_unit(kExportUnit);
  require_unit_file_in_place(kOutputUnit);
  close_unit(kOutputUnit);
  prepend_header(run);
  stop_run("");
}

}  // namespace convkit
