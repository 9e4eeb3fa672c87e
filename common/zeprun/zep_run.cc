#include "common/zeprun/zep_run.h"

#include <cmath>
#include <span>
#include <string>

#include "common/convert/cut_name.h"

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

void echo_names(const ZepRun& run) {
  write_list({text_out("Converting X to Y:")});
  write_list({text_out(run.inname.data(), static_cast<int>(run.inname.size()))});
  write_list({text_out(run.outname.data(), static_cast<int>(run.outname.size()))});
}

// The point reads of both passes: count values of a data line, in order.
struct PointRecord {
  double values[kMaxColumns] = {};
  ReadItem items[kMaxColumns];
  explicit PointRecord(int count) : count_(static_cast<size_t>(count)) {
    for (int k = 0; k < kMaxColumns; ++k) items[k] = real_item(values[k]);
  }
  std::span<const ReadItem> record() const { return {items, count_}; }

 private:
  size_t count_;
};

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
  rewind_unit(kControlUnit);
  run.inname = read_name(run, run.incut);
  run.outname = read_name(run, run.outcut);
  echo_names(run);
  read_free(kControlUnit, {real_item(run.vscan)}, false);
  read_free(kControlUnit, {real_item(run.estart)}, false);
  read_free(kControlUnit, {real_item(run.evertex)}, false);
  read_free(kControlUnit, {real_item(run.eend)}, false);
  read_free(kControlUnit, {real_item(run.amp)}, false);
  read_free(kControlUnit, {integer_item(run.nper)}, false);
}

void take_arguments(ZepRun& run, const Invocation& invocation) {
  run.inname = invocation.export_name;
  run.outname = invocation.output_name;
  echo_names(run);
  const ZepValues& v = invocation.values;
  run.vscan = v.vscan;
  run.estart = v.estart;
  run.evertex = v.evertex;
  run.eend = v.eend;
  run.amp = v.amp;
  run.nper = v.nper;
}

void derive_erange_freq(ZepRun& run) {
  run.erange = std::abs(run.estart - run.evertex) + std::abs(run.eend - run.evertex);
  run.freq = (static_cast<double>(run.nper) * run.vscan) / run.erange;
}

void open_export(const ZepRun& run) {
  open_unit(kExportUnit, run.inname.data(), static_cast<int>(run.inname.size()));
  rewind_unit(kExportUnit);
}

int32_t count_points(int count) {
  PointRecord point(count < kMaxColumns ? count : kMaxColumns);
  const std::span<const ReadItem> record = point.record();
  int32_t i = 1;
  for (; i <= kMaxPoints; ++i) {
    if (read_free(kExportUnit, record, true) == ReadOutcome::end_of_file) break;
  }
  return i - 1;
}

void open_zep_output(const ZepRun& run) {
  open_unit(kZepUnit, run.outname.data(), static_cast<int>(run.outname.size()));
  rewind_unit(kZepUnit);
  // The export has been read through once already, so nothing the run needs is lost. Emptied
  // now, an older file leaves no tail behind the new lines even when the run is killed before
  // the output is cut at its close.
  empty_unit(kZepUnit);
}

void write_zep_file(const ZepRun& run) {
  write_zep_header(kZepUnit, {run.estart, run.evertex, run.eend, run.vscan, run.amp, run.freq});
  PointRecord point(run.columns.count);
  const std::span<const ReadItem> record = point.record();
  const double& e = point.values[run.columns.potential];
  const double& current = point.values[run.columns.current];
  for (int32_t i = 1; i <= run.npts; ++i) {
    if (read_free(kExportUnit, record, true) == ReadOutcome::end_of_file) break;
    write_zep_point(kZepUnit, e, -current, static_cast<double>(i - 1) * run.delt);
  }
}

void finish_run(const ZepRun& run) {
  close_unit(kExportUnit);
  close_unit(kZepUnit);
  write_list({});
  write_list({text_out("Converting output file from unix to dos")});
  std::string command = "unix2dos " + shell_word(opened_name(run.outname));
  run_shell(command.data(), command.size());
}

}  // namespace convkit
