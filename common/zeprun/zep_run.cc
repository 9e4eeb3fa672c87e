#include "common/zeprun/zep_run.h"

#include <cmath>
#include <string>

#include "common/convert/cut_name.h"
#include "common/convert/point_loop.h"

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
std::string_view read_name(ZepRun& run, char* name) {
  // A null item leaves the buffer as it is: blank, so that it cuts to no name.
  text_assign(run.line, kLineLength, "", 0);
  read_free(kControlUnit, {text_item(run.line, kLineLength)}, false);
  int32_t length = take_name(run.line, name);
  return std::string_view(name, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace

void echo_names(const ZepRun& run) {
  write_list({text_out("Converting X to Y:")});
  write_list({text_out(run.inname.data(), static_cast<int>(run.inname.size()))});
  write_list({text_out(run.outname.data(), static_cast<int>(run.outname.size()))});
}

void write_banner(std::string_view title, std::string_view date) {
  write_list({});
  write_list({text_out(title)});
  write_list({text_out(date)});
  write_list({});
}

void read_control_file(ZepRun& run, const char* control_name) {
  open_control_file(control_name);
  read_names(run);
  echo_names(run);
  read_values(run);
}

void open_control_file(const char* control_name) {
  open_unit(kControlUnit, control_name,
            static_cast<int>(std::char_traits<char>::length(control_name)));
  claim_unit_for_run(kControlUnit);
  rewind_unit(kControlUnit);
}

void read_names(ZepRun& run, const StatementWatch& watch) {
  if (watch) watch(0);
  run.inname = read_name(run, run.incut);
  if (watch) watch(1);
  run.outname = read_name(run, run.outcut);
}

void read_values(ZepRun& run, const StatementWatch& watch) {
  double* const reals[] = {&run.values.vscan, &run.values.estart, &run.values.evertex,
                           &run.values.eend, &run.values.amp};
  for (int k = 0; k < 5; ++k) {
    if (watch) watch(2 + k);
    read_free(kControlUnit, {real_item(*reals[k])}, false);
  }
  if (watch) watch(7);
  read_free(kControlUnit, {integer_item(run.values.nper)}, false);
}

void take_arguments(ZepRun& run, const Invocation& invocation) {
  take_argument_values(run, invocation);
  echo_names(run);
}

void take_argument_values(ZepRun& run, const Invocation& invocation) {
  run.inname = invocation.export_name;
  run.outname = invocation.output_name;
  run.values = invocation.values;
}

void derive_erange_freq(ZepRun& run) {
  run.erange = std::abs(run.values.estart - run.values.evertex) +
               std::abs(run.values.eend - run.values.evertex);
  run.freq = (static_cast<double>(run.values.nper) * run.values.vscan) / run.erange;
}

double derive_delt(const ZepRun& run, TimeSteps steps) {
  const int32_t intervals = steps == TimeSteps::per_point ? run.npts : run.npts - 1;
  return run.erange / (static_cast<double>(intervals) * run.values.vscan);
}

void open_export(const ZepRun& run) {
  open_unit(kExportUnit, run.inname.data(), static_cast<int>(run.inname.size()));
  rewind_unit(kExportUnit);
}

int32_t count_points(int count) {
  PointRecord point(count);
  return read_points(point, kMaxPoints, [](int32_t, const double*) {});
}

void open_zep_output(const ZepRun& run) {
  open_unit(kZepUnit, run.outname.data(), static_cast<int>(run.outname.size()));
  claim_unit_for_run(kZepUnit);
  rewind_unit(kZepUnit);
  // The export has been read through once already, so nothing the run needs is lost. Emptied
  // now, an older file leaves no tail behind the new lines even when the run is killed before
  // the output is cut at its close.
  empty_unit(kZepUnit);
}

void write_zep_file(const ZepRun& run) {
  write_zep_header(kZepUnit, {run.values.estart, run.values.evertex, run.values.eend,
                              run.values.vscan, run.values.amp, run.freq});
  PointRecord point(run.columns.count);
  const int e = run.columns.potential, current = run.columns.current;
  read_points(point, run.npts, [&](int32_t i, const double* v) {
    write_zep_point(kZepUnit, v[e], -v[current], static_cast<double>(i - 1) * run.delt);
  });
}

void finish_run(const ZepRun& run) {
  close_unit(kExportUnit);
  require_unit_file_in_place(kZepUnit);
  close_unit(kZepUnit);
  write_list({});
  write_list({text_out("Converting output file from unix to dos")});
  const std::string command = unix2dos_command(run);
  run_shell(command.data(), command.size());
}

std::string unix2dos_command(const ZepRun& run) {
  return "unix2dos " + shell_word(opened_name(run.outname));
}

}  // namespace convkit
