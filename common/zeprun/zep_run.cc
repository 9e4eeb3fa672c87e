#include "common/zeprun/zep_run.h"

#include <cmath>
#include <span>
#include <string>

#include "common/convert/cut_name.h"

#include "common/recordio/file_claim.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/free_reader.h"
#include "common/recordio/list_writer.h"
#include "common/recordio/shell.h"
#include "common/recordio/unit.h"
#include "common/zep/zep_writer.h"

namespace convkit {
namespace {

// A name line: its first item, then the cut. A length below 1 is no name: it shows as an empty
// item and its open fails as an empty name, and no byte outside the buffers is touched.
int32_t read_name(ZepRun& run, char* name) {
  // A null item leaves the buffer as it is: blank, so that it cuts to no name.
  text_assign(run.line, kLineLength, "", 0);
  read_free(kControlUnit, {text_item(run.line, kLineLength)}, false);
  int32_t length = take_name(run.line, name);
  return length > 0 ? length : 0;
}

}  // namespace

void write_banner(std::string_view title, std::string_view date) {
  write_list({});
  write_list({text_out(title)});
  write_list({text_out(date)});
  write_list({});
}

void read_control_file(ZepRun& run, const char* control_name) {
  open_unit(kControlUnit, control_name,
            static_cast<int>(std::char_traits<char>::length(control_name)));
  claim_unit_for_run(kControlUnit);
  rewind_unit(kControlUnit);
  run.inlen = read_name(run, run.inname);
  run.outlen = read_name(run, run.outname);
  write_list({text_out("Converting X to Y:")});
  write_list({text_out(run.inname, run.inlen)});
  write_list({text_out(run.outname, run.outlen)});
  read_free(kControlUnit, {real_item(run.vscan)}, false);
  read_free(kControlUnit, {real_item(run.estart)}, false);
  read_free(kControlUnit, {real_item(run.evertex)}, false);
  read_free(kControlUnit, {real_item(run.eend)}, false);
  read_free(kControlUnit, {real_item(run.amp)}, false);
  read_free(kControlUnit, {integer_item(run.nper)}, false);
}

void derive_erange_freq(ZepRun& run) {
  run.erange = std::abs(run.estart - run.evertex) + std::abs(run.eend - run.evertex);
  run.freq = (static_cast<double>(run.nper) * run.vscan) / run.erange;
}

void open_export(const ZepRun& run) {
  open_unit(kExportUnit, run.inname, run.inlen);
  rewind_unit(kExportUnit);
}

int32_t count_points(int count) {
  double values[3] = {0.0, 0.0, 0.0};
  const ReadItem items[] = {real_item(values[0]), real_item(values[1]), real_item(values[2])};
  const std::span<const ReadItem> record(items, count < 3 ? static_cast<size_t>(count) : 3);
  int32_t i = 1;
  for (; i <= kMaxPoints; ++i) {
    if (read_free(kExportUnit, record, true) == ReadOutcome::end_of_file) break;
  }
  return i - 1;
}

void open_zep_output(const ZepRun& run) {
  open_unit(kZepUnit, run.outname, run.outlen);
  claim_unit_for_run(kZepUnit);
  rewind_unit(kZepUnit);
  // The export has been read through once already, so nothing the run needs is lost. Emptied
  // now, an older file leaves no tail behind the new lines even when the run is killed before
  // the output is cut at its close.
  empty_unit(kZepUnit);
}

void write_zep_file(const ZepRun& run) {
  write_zep_header(kZepUnit, {run.estart, run.evertex, run.eend, run.vscan, run.amp, run.freq});
  double a = 0.0, b = 0.0, c = 0.0;
  for (int32_t i = 1; i <= run.npts; ++i) {
    if (read_free(kExportUnit, {real_item(a), real_item(b), real_item(c)}, true) ==
        ReadOutcome::end_of_file) {
      break;
    }
    write_zep_point(kZepUnit, a, -c, static_cast<double>(i - 1) * run.delt);
  }
}

void finish_run(const ZepRun& run) {
  close_unit(kExportUnit);
  require_unit_file_in_place(kZepUnit);
  close_unit(kZepUnit);
  write_list({});
  write_list({text_out("Converting output file from unix to dos")});
  std::string command =
      "unix2dos " +
      shell_word(opened_name(std::string_view(run.outname, static_cast<size_t>(run.outlen))));
  run_shell(command.data(), command.size());
}

}  // namespace convkit
