// The check of vantor and pressik as named steps over one state: the control file read by the
// conversion's own statements (each statement's offset noted by their watch), the export read by
// the conversion's own header search and point loop, the numbers judged against what the export
// says of itself, the output forecast, and the summary.
#include "common/check/zep_check.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/check/control_lines.h"
#include "common/check/evidence.h"
#include "common/check/export_check.h"
#include "common/check/export_reads.h"
#include "common/check/opening.h"
#include "common/check/probe.h"
#include "common/check/report.h"
#include "common/check/verdict.h"
#include "common/convert/columns.h"
#include "common/recordio/shell.h"
#include "common/recordio/unit.h"
#include "common/zep/zep_writer.h"

namespace convkit {
namespace {

constexpr int kStatements = 8;
// What a ZEP file takes before unix2dos: the 41 header records and one line a point, each with
// its line feed.
constexpr int64_t kZepHeaderBytes = 1116;
constexpr int64_t kZepLineBytes = 44;

// Each statement of the control file: what it gives, the argument that gives it instead, and
// the unit of its value.
struct Value {
  const char *what, *argument, *unit;
};
constexpr Value kValues[kStatements] = {{"the export's name", "EXPORT", ""},
                                        {"the output's name", "OUTPUT", ""},
                                        {"vscan, the scan rate", "--vscan", "V/s"},
                                        {"estart, the start potential", "--estart", "V"},
                                        {"evertex, the vertex potential", "--evertex", "V"},
                                        {"eend, the end potential", "--eend", "V"},
                                        {"amp, the AC amplitude", "--amp", "mV"},
                                        {"nper, the number of AC periods", "--nper", ""}};

enum Statement { kInName, kOutName, kVscan, kEstart, kEvertex, kEend, kAmp, kNper };

// The state of one check, from the control file to the summary.
struct ZepCheck {
  ZepCheck(const ZepProgram& program, const Invocation& given)
      : p(program), invocation(given), from_file(given.control_file), control(program.control) {}

  const ZepProgram& p;
  const Invocation& invocation;
  const bool from_file;  // the names and values come from the control file, not the arguments
  std::string control;
  Report report;
  ControlFile lines;
  ZepRun run{};
  off_t offsets[kStatements] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int done = 0;                          // statements completed
  std::string export_name, output_name;  // as opened
  std::string read_name;                 // the export the check reads (the meant name, at times)
  bool reads_on = false;                 // the check reads on with the names the lines mean
  ExportOpen open;
  ExportReads reads;
  ExportLines seen;
  bool export_read = false, stop_after_output = false;
  Stop stop;
  Place stop_place;
  OutputFate fate = OutputFate::fails;
  bool completes = false, unix2dos = false;
  double time_unit = 1.0;  // seconds in one unit of the export's time column, or 0

  const ControlLine* line_of(int k) const {
    return offsets[k] >= 0 ? lines.line_at(offsets[k]) : nullptr;
  }
  int64_t line_no(int k) const { return line_of(k) != nullptr ? line_of(k)->number : 0; }
  // Where a value comes from: its control-file line, or its argument.
  Place at(int k) const {
    return from_file ? Place{control, line_no(k), 0} : Place{kValues[k].argument, 0, 0};
  }
  std::string given_by(int k) const {
    return from_file ? "line " + std::to_string(line_no(k)) : std::string(kValues[k].argument);
  }
  // delt and the count come before any failure of the conversion's own reads.
  bool delt_known() const { return export_read && (!stop || stop_after_output); }
};

std::string opened(std::string_view name) { return std::string(opened_name(name)); }

// The conversion's own control statements, each one's offset noted before it reads; the
// findings on the names and values read; false when the conversion stops in the control file.
bool read_control(ZepCheck& c) {
  c.lines = read_control_lines(c.control, 64, c.report);
  const StatementWatch watch = [&c](int k) {
    c.offsets[k] = unit_offset(kControlUnit);
    c.done = k;
  };
  const Stop stop = attempt([&] {
    open_control_file(c.control.c_str());
    read_names(c.run, watch);
    read_values(c.run, watch);
    c.done = kStatements;
  });
  const std::string_view names[2] = {c.run.inname, c.run.outname};
  for (int k = 0; k < 2 && k < c.done; ++k) {
    const ControlLine* l = c.line_of(k);
    if (l != nullptr) {
      check_name(c.report, c.lines, *l, c.p.name, k == 0 ? "export" : "output", names[k],
                 NameRule::first_item);
    }
  }
  for (int k = kVscan; k < c.done; ++k) {
    const ControlLine* l = c.line_of(k);
    if (l != nullptr) check_number_line(c.report, c.lines, *l, kValues[k].what, kValues[k].unit);
  }
  if (!stop) return true;

  Place at{c.control, 0, 0};
  std::string text = "the conversion stops here with \"" + stop.first_line + "\"";
  if (stop.first_line.find("end of file") != std::string::npos) {
    at.line = c.lines.lines.empty() ? 0 : c.lines.lines.back().number;
    text += ": the file ends before line " + std::to_string(c.done + 1) + ", " +
            kValues[c.done].what + "; a control file holds eight lines, each CR LF ended";
  } else {
    at.line = c.line_no(c.done);
    text += stop.first_line.rfind("invalid integer", 0) == 0
                ? ": nper, the number of AC periods, must be a whole number (50, not 50.0)"
                : ": " + std::string(kValues[c.done].what) + " is due here and this is no number";
  }
  c.report.error(at, text);
  c.report.summary("control file", c.control);
  c.report.summary("result", "the conversion fails at " + c.control + " (" + stop.first_line +
                                 "); no output file is written");
  return false;
}

// The export by the open's forecast, then the conversion's own reads, then the check's look at
// its lines.
void read_the_export(ZepCheck& c) {
  c.export_name = opened(c.run.inname);
  if (!c.export_name.empty()) c.report.name_file(c.export_name);
  c.open = forecast_export(c.report, c.at(kInName), c.export_name, true, c.control,
                           c.line_of(kInName), opened(c.run.outname), c.line_of(kOutName));
  c.stop = c.open.stop;
  c.reads_on = !c.open.meant.empty();
  c.read_name = c.reads_on ? c.open.meant : c.export_name;
  if (!c.reads_on && (c.open.stop || c.open.fifo)) return;
  if (c.reads_on) c.stop_place = c.at(kInName);
  ExportReading reading;
  reading.program = c.p.name;
  reading.count_values = c.p.count_values > 0 ? c.p.count_values : c.run.columns.count;
  reading.convert_values = c.run.columns.count;
  reading.potential = c.run.columns.potential;
  reading.delt_from_count = true;
  reading.line = c.run.line;
  reading.search = [&c] { return c.p.search(c.run); };
  if (c.p.search_again != nullptr) reading.search_again = [&c] { c.p.search_again(c.run); };
  c.reads = read_export(reading, c.read_name.c_str(), static_cast<int>(c.read_name.size()));
  if (!c.reads_on) {
    c.export_read = true;
    c.stop = c.reads.stop;
    c.stop_after_output = c.reads.stop_after_output;
  }
  c.run.npts = c.reads.npts;
  c.run.delt = derive_delt(c.run, c.p.steps);
  const EqualTimes equal =
      !c.reads.stop ? equal_times(c.reads.converted, c.run.delt) : EqualTimes{};
  c.seen = look_at_export(c.read_name, reading, c.reads, equal.first, c.report);
  if (!c.reads_on) c.stop_place = c.seen.stop_place;
  judge_time_resolution(c.report, {c.read_name, c.seen.point_line, 0}, equal, c.run.delt);
}

// Values that make the derived ones infinite or not a number.
void judge_derived(ZepCheck& c) {
  const ZepRun& r = c.run;
  const std::string and_delt = c.delt_known() ? " and delt " + number_text(r.delt) : "";
  if (r.erange == 0.0) {
    c.report.warning(
        c.at(kEstart),
        "estart, evertex and eend are equal: the potential range erange is 0, so freq is " +
            number_text(r.freq) + and_delt + ", and the ZEP file shows them so; check lines " +
            std::to_string(c.line_no(kEstart)) + " to " + std::to_string(c.line_no(kEend)));
  }
  if (r.values.vscan == 0.0) {
    c.report.warning(c.at(kVscan),
                     "vscan is 0: freq is " + number_text(r.freq) + and_delt +
                         ", and the ZEP file shows them so; give the scan rate in V/s");
  }
  // The header's Max is the vertex and its Min the lower of start and vertex.
  const ZepRecords records = zep_records(
      {r.values.estart, r.values.evertex, r.values.eend, r.values.vscan, r.values.amp, r.freq});
  const auto [low, high] = std::minmax({r.values.estart, r.values.evertex, r.values.eend});
  const double top = 1000.0 * high, bottom = 1000.0 * low;
  if (std::isfinite(top) && std::isfinite(bottom) &&
      (records.max_mv != top || records.min_mv != bottom)) {
    c.report.warning(
        c.at(kEvertex),
        "the ZEP header writes Max(mV) " + number_text(records.max_mv) + " and Min(mV) " +
            number_text(records.min_mv) +
            " (Max is the vertex, Min the lower of start and vertex), while the sweep runs "
            "between " +
            number_text(bottom) + " and " + number_text(top) +
            " mV: a reader that takes them for the sweep's bounds gets them wrong");
  }
  if (!(c.export_read || c.reads_on) || c.reads.stop) return;
  if (c.reads.npts == 0) {
    c.report.warning({c.read_name, c.seen.heading_line, 0},
                     "no data line follows the column heading: the ZEP file gets its 41 header "
                     "records only, and delt is " +
                         number_text(r.delt));
  } else if (std::isfinite(r.erange) && r.erange != 0.0 && r.values.vscan != 0.0 &&
             !std::isfinite(r.delt)) {
    c.report.error({c.read_name, 0, 0},
                   "the export gives " + std::to_string(r.npts) +
                       (r.npts == 1 ? " point" : " points") + ", so delt = erange / (" +
                       (c.p.steps == TimeSteps::between_points ? "(npts - 1)" : "npts") +
                       " * vscan) is " + number_text(r.delt) +
                       " and the times of the ZEP file are not numbers");
  }
}

// The ZEP time axis against the export's own time column at the last converted point. vantor's
// delt spreads the sweep over npts steps where the export has npts - 1, so about 1/npts apart
// says nothing.
void judge_time_axis(ZepCheck& c) {
  const int t_at = c.run.columns.time;
  const PointValues& v = c.reads.values;
  const int32_t n = c.reads.converted;
  const double theirs = (v.last[t_at] - v.first[t_at]) * c.time_unit;
  const double ours = static_cast<double>(n - 1) * c.run.delt;
  if (n < 2 || !(theirs > 0.0) || !std::isfinite(theirs) || !std::isfinite(ours)) return;
  if (std::abs(ours / theirs - 1.0) <= 0.02 + 1.5 / n) return;
  std::string text = "the ZEP time axis ends at " + number_text(ours) +
                     " s, and the export's own time column at " + number_text(theirs) +
                     " s after its first point";
  const double f = factor_near_1000(ours, theirs);
  if (f != 0.0 && f < 1.0) {
    text += ": the scan rate is in V/s, and " + number_text(c.run.values.vscan) +
            " looks like mV/s; write " + number_text(c.run.values.vscan / 1000.0);
  } else if (f != 0.0) {
    text += ": vscan is 1000 times too small, or the potentials are in mV";
  } else {
    text += ": vscan, estart, evertex and eend do not fit this export";
  }
  c.report.error(c.at(kVscan), text);
}

// The export's first, extreme and last potentials against estart, evertex and eend.
void judge_sweep(ZepCheck& c) {
  const PointValues& v = c.reads.values;
  const ZepRun& r = c.run;
  const int e = r.columns.potential;
  const auto [lo, hi] = std::minmax({r.values.estart, r.values.evertex, r.values.eend});
  const double tolerance = std::abs(r.values.amp) * 1e-3 + 0.02 * (hi - lo) + 1e-4;
  // A coarse export steps past its vertex: one step more there.
  const double step = std::min(2.0 * (v.max_e - v.min_e), std::abs(r.erange)) /
                      static_cast<double>(c.reads.converted - 1);
  const double extreme =
      std::abs(v.max_e - v.first[e]) >= std::abs(v.min_e - v.first[e]) ? v.max_e : v.min_e;
  struct Pair {
    int statement;
    double theirs, mine, within;
    const char* what;
  };
  const bool whole = !c.reads.at_limit && c.reads.converted == c.reads.npts;
  const Pair pairs[] = {{kEstart, v.first[e], r.values.estart, tolerance, "first"},
                        {kEvertex, extreme, r.values.evertex, tolerance + step, "extreme"},
                        {kEend, v.last[e], r.values.eend, tolerance, "last"}};
  for (const Pair& pair : pairs) {
    if (pair.statement == kEend && !whole) continue;
    if (std::abs(pair.theirs - pair.mine) <= pair.within) continue;
    std::string text = "the export's " + std::string(pair.what) + " potential is " +
                       number_text(pair.theirs) + " V, and " + kValues[pair.statement].what +
                       ", is " + number_text(pair.mine) + " V";
    const double f = factor_near_1000(pair.mine, pair.theirs);
    if (f > 1.0) {
      text += ": the potentials are in V, not mV";
    } else if (f != 0.0) {
      text += ": the export's potentials look like mV, not V";
    } else {
      text += ": is the control file written for another export?";
    }
    c.report.error(c.at(pair.statement), text);
    return;
  }
}

// The numbers the ZEP file will hold, against what the export says of itself.
void judge_numbers(ZepCheck& c) {
  if (!(c.export_read || c.reads_on) || (c.reads.stop && !c.reads.stop_after_output)) return;
  std::string scaled;
  const std::string roles = heading_roles(c.seen.heading_text, &c.time_unit, &scaled);
  const std::string reads = columns_text(c.run.columns);
  if (!scaled.empty() && !roles.empty() && roles_fit(roles, reads)) {
    c.report.error({c.read_name, c.seen.heading_line, 0},
                   "the heading names the column " + shown(scaled) +
                       ": the ZEP file holds potentials in V and currents in A, and the "
                       "conversion writes the values as the export gives them; export in V and A");
  }
  if (c.seen.two_value_lines == 0) {
    judge_roles(c.report, {c.read_name, c.seen.heading_line, 0}, roles, reads, c.p.name, true);
  }
  if (c.seen.misaligned) return;
  const Place stated{c.read_name, c.seen.stated_line, 0};
  if (!c.reads.at_limit) judge_stated_count(c.report, stated, c.seen.stated, c.reads.npts, true);
  if (c.reads.stop || c.reads.converted < 2 || !(roles.empty() || roles_fit(roles, reads))) return;
  const bool count_right = c.seen.stated < 0 || c.seen.stated == c.reads.npts;
  if (!roles.empty() && c.run.columns.time >= 0 && count_right && !c.reads.at_limit) {
    judge_time_axis(c);
  }
  judge_sweep(c);
}

// The output, opened after the export has been read to its end, and unix2dos after it.
void forecast_output(ZepCheck& c) {
  c.output_name = opened(c.run.outname);
  const bool opened = !c.stop || c.stop_after_output;
  if (c.reads_on && !c.open.meant_output.empty() && !c.reads.stop) {
    std::string open_stop;
    check_output(c.report, c.at(kOutName), c.open.meant_output, c.read_name, kExportUnit, c.control,
                 open_stop);
  }
  if (c.output_name.empty()) {
    if (!c.stop) c.stop.first_line = "open: null file name";
  } else if (opened) {
    std::string open_stop;
    c.fate = check_output(c.report, c.at(kOutName), c.output_name, c.export_name, kExportUnit,
                          c.from_file ? c.control : std::string(), open_stop);
    if (open_stop.empty() && !c.stop &&
        (c.fate == OutputFate::created || c.fate == OutputFate::replaced)) {
      const int64_t bytes = kZepHeaderBytes + kZepLineBytes * int64_t{c.reads.converted};
      if (!check_output_room(c.report, c.at(kOutName), c.output_name, bytes, open_stop)) {
        c.fate = OutputFate::fails;
      }
    }
    if (!c.stop && !open_stop.empty()) {
      c.stop.first_line = open_stop;
      c.stop_after_output = true;
      c.stop_place = c.at(kOutName);
    }
  }
  c.unix2dos = tool_on_path("unix2dos");
  c.completes = !c.stop && (c.fate == OutputFate::created || c.fate == OutputFate::replaced);
  if (c.completes && !c.unix2dos) {
    c.report.warning(
        c.at(kOutName),
        "unix2dos is not found on PATH: the shell reports \"unix2dos: not found\", the ZEP file "
        "keeps LF line ends and the exit status is still 0; install the dos2unix package");
  }
}

void summarize(ZepCheck& c) {
  const ZepRun& r = c.run;
  Report& report = c.report;
  if (c.from_file) {
    summarize_control(report, c.lines, r.inname, c.line_no(kInName), r.outname,
                      c.line_no(kOutName));
  } else {
    report.summary("control file", "none: the names and values are arguments");
    report.summary("export", shown(r.inname) + " (EXPORT)");
    report.summary("output", shown(r.outname) + " (OUTPUT)");
  }
  if (c.invocation.columns_given) report.summary("columns", columns_text(r.columns));
  const double values[] = {
      0, 0, r.values.vscan, r.values.estart, r.values.evertex, r.values.eend, r.values.amp, 0};
  for (int k = kVscan; k < kNper; ++k) {
    report.summary(kValues[k].argument + 2,
                   number_text(values[k]) + " " + kValues[k].unit + " (" + c.given_by(k) + ")");
  }
  report.summary("nper", std::to_string(r.values.nper) + " (" + c.given_by(kNper) + ")");
  report.summary("erange", number_text(r.erange) + " V");
  report.summary("freq", number_text(r.freq) + " Hz");
  if (c.delt_known()) report.summary("delt", number_text(r.delt) + " s");
  if (c.export_read && c.reads.heading_found) {
    report.summary(
        "header lines",
        std::to_string(c.seen.heading_line) +
            (c.p.header_length ? " (\"Header length = " + std::to_string(c.reads.nhead) + "\")"
                               : std::string()));
    report.summary("heading", c.export_name + ":" + std::to_string(c.seen.heading_line) + ": " +
                                  shown(c.seen.heading_text));
  }
  if (c.delt_known()) {
    const int32_t n = c.reads.converted;
    report.summary("points", std::to_string(r.npts) + " (\"Found " + std::to_string(r.npts) +
                                 " data points\")" +
                                 (n != r.npts ? ", " + std::to_string(n) + " written" : ""));
    if (n > 0) {
      const PointValues& v = c.reads.values;
      const int e = r.columns.potential, i = r.columns.current;
      report.summary("first point", "E " + number_text(v.first[e]) + " V, -I " +
                                        number_text(-v.first[i]) + " A, t " +
                                        number_text(0.0 * r.delt) + " s");
      report.summary("last point", "E " + number_text(v.last[e]) + " V, -I " +
                                       number_text(-v.last[i]) + " A, t " +
                                       number_text(static_cast<double>(n - 1) * r.delt) + " s");
    }
  }
  summarize_output(
      report, c.output_name, !c.stop || c.stop_after_output, c.fate,
      c.stop ? ", and left incomplete"
             : ": 41 header records and " + std::to_string(c.reads.converted) + " data lines");
  if (c.completes) report.summary("then", unix2dos_command(r) + (c.unix2dos ? "" : " (not found)"));
  summarize_result(report, c.stop, c.stop_place, c.completes, c.open.created, c.export_name);
}

}  // namespace

int check_zep_program(const ZepProgram& p, const Invocation& invocation) {
  start_check();
  ZepCheck c(p, invocation);
  c.run.columns = invocation.columns;
  bool read = true;
  if (!c.from_file) {
    take_argument_values(c.run, invocation);
    c.done = kStatements;
  } else {
    c.report.name_file(c.control);
    read = control_file_readable(c.report, p.name, c.control, "list in: end of file",
                                 "eight lines: export, output, vscan, estart, evertex, eend, amp, "
                                 "nper") &&
           read_control(c);
  }
  if (read) {
    derive_erange_freq(c.run);
    read_the_export(c);
    attempt([] { close_unit(kControlUnit); });
    judge_derived(c);
    judge_numbers(c);
    forecast_output(c);
    summarize(c);
  }
  c.report.print(p.name);
  return c.report.exit_status();
}

}  // namespace convkit
