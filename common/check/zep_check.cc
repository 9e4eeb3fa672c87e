// The control file is read by the record layer with the conversion's statements, one by one,
// the byte offset of each noted first, so that every value and every failure has its line.
#include "common/check/zep_check.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/check/control_lines.h"
#include "common/check/export_check.h"
#include "common/check/name_check.h"
#include "common/check/opening.h"
#include "common/check/output_check.h"
#include "common/check/probe.h"
#include "common/check/report.h"
#include "common/check/verdict.h"
#include "common/convert/cut_name.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/free_reader.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

constexpr int kControl = 1;
constexpr int kExport = 2;
constexpr int kStatements = 8;

const char* const kValueNames[kStatements] = {"the export's name",
                                              "the output's name",
                                              "vscan, the scan rate",
                                              "estart, the start potential",
                                              "evertex, the vertex potential",
                                              "eend, the end potential",
                                              "amp, the AC amplitude",
                                              "nper, the number of AC periods"};

struct Control {
  char line[kLineLength];
  char inname[kLineLength];
  char outname[kLineLength];
  int32_t inlen = 0, outlen = 0;
  double vscan = 0, estart = 0, evertex = 0, eend = 0, amp = 0;
  int32_t nper = 0;
  off_t offsets[kStatements] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int done = 0;  // statements completed
};

// A name line as the conversion reads it: a null item leaves the blank line buffer, which cuts
// to no name; a length below 1 is no name.
int32_t read_name(Control& c, char* name) {
  text_assign(c.line, kLineLength, "", 0);
  read_free(kControl, {text_item(c.line, kLineLength)}, false);
  int32_t length = take_name(c.line, name);
  return length > 0 ? length : 0;
}

std::string in_words(double v) { return number_text(v); }

// What gives each value in the argument form.
const char* const kArgumentNames[kStatements] = {"EXPORT",    "OUTPUT", "--vscan", "--estart",
                                                 "--evertex", "--eend", "--amp",   "--nper"};

}  // namespace

int check_zep_program(const ZepProgram& p, const Invocation& invocation) {
  start_check();
  Report report;
  const bool from_file = invocation.control_file;
  std::string control(p.control);
  if (from_file) report.name_file(control);
  auto finish = [&] {
    report.print(p.name);
    return report.exit_status();
  };

  ControlFile lines;
  Control c;
  std::string inname, outname;  // as cut, or as given
  if (!from_file) {
    inname = invocation.export_name;
    outname = invocation.output_name;
    const ZepValues& v = invocation.values;
    c.vscan = v.vscan;
    c.estart = v.estart;
    c.evertex = v.evertex;
    c.eend = v.eend;
    c.amp = v.amp;
    c.nper = v.nper;
    c.done = kStatements;
  } else if (!control_file_readable(
                 report, p.name, control, "list in: end of file",
                 "eight lines: export, output, vscan, estart, evertex, eend, amp, "
                 "nper")) {
    return finish();
  }

  if (from_file) lines = read_control_lines(control, 64, report);
  Stop stop;
  if (from_file)
    stop = attempt([&] {
      open_unit(kControl, control.c_str(), static_cast<int>(control.size()));
      rewind_unit(kControl);
      c.offsets[0] = unit_offset(kControl);
      c.inlen = read_name(c, c.inname);
      c.done = 1;
      c.offsets[1] = unit_offset(kControl);
      c.outlen = read_name(c, c.outname);
      c.done = 2;
      double* reals[] = {&c.vscan, &c.estart, &c.evertex, &c.eend, &c.amp};
      for (int k = 0; k < 5; ++k) {
        c.offsets[2 + k] = unit_offset(kControl);
        read_free(kControl, {real_item(*reals[k])}, false);
        c.done = 3 + k;
      }
      c.offsets[7] = unit_offset(kControl);
      read_free(kControl, {integer_item(c.nper)}, false);
      c.done = 8;
    });

  auto line_of = [&](int k) -> const ControlLine* {
    return c.offsets[k] >= 0 ? lines.line_at(c.offsets[k]) : nullptr;
  };
  if (from_file) {
    inname.assign(c.inname, static_cast<size_t>(c.inlen));
    outname.assign(c.outname, static_cast<size_t>(c.outlen));
  }

  // The names, as far as they were read.
  for (int k = 0; k < 2 && k < c.done; ++k) {
    const ControlLine* l = line_of(k);
    if (l == nullptr) continue;
    NameLine name{control, p.name, l->number, l->text, l->crlf, k == 0 ? "export" : "output"};
    check_name(report, name, k == 0 ? std::string_view(inname) : std::string_view(outname),
               NameRule::first_item);
  }
  for (int k = 2; k < c.done; ++k) {
    const ControlLine* l = line_of(k);
    if (l != nullptr) check_number_line(report, lines, *l, kValueNames[k]);
  }
  if (stop) {
    const ControlLine* l = line_of(c.done);
    Place at{control, 0, 0};
    std::string text = "the conversion stops here with \"" + stop.first_line + "\"";
    if (stop.first_line.find("end of file") != std::string::npos) {
      at.line = lines.lines.empty() ? 0 : lines.lines.back().number;
      text += ": the file ends before line " + std::to_string(c.done + 1) + ", " +
              kValueNames[c.done] + "; a control file holds eight lines, each CR LF ended";
    } else {
      if (l != nullptr) at.line = l->number;
      if (stop.first_line.rfind("invalid integer", 0) == 0) {
        text += ": nper, the number of AC periods, must be a whole number (50, not 50.0)";
      } else {
        text += ": " + std::string(kValueNames[c.done]) + " is due here and this is no number";
      }
    }
    report.add(Severity::error, at, text);
    report.summary("control file", control);
    report.summary("result", "the conversion fails at " + control + " (" + stop.first_line +
                                 "); no output file is written");
    return finish();
  }

  double erange = std::abs(c.estart - c.evertex) + std::abs(c.eend - c.evertex);
  double freq = (static_cast<double>(c.nper) * c.vscan) / erange;

  // The export, with the control file still open on its unit as in the conversion.
  auto line_no = [&](int k) { return line_of(k) != nullptr ? line_of(k)->number : 0; };
  // Where a value comes from: its control-file line, or its argument.
  auto place = [&](int k) -> Place {
    if (!from_file) return {kArgumentNames[k], 0, 0};
    return {control, line_no(k), 0};
  };
  Place export_place = place(0);
  if (from_file && export_place.line == 0) export_place.line = 1;
  std::string export_name = name_as_opened(inname.data(), static_cast<int>(inname.size()));
  ExportFacts facts;
  bool export_read = false;
  bool export_created = false;
  if (export_readable(report, export_place, export_name, facts.stop, export_created)) {
    ExportReading reading;
    reading.program = p.name;
    reading.unit = kExport;
    reading.count_values = p.count_values;
    reading.convert_values = invocation.columns.count;
    reading.two_value_reader = "colbrand";
    facts =
        check_export(export_name, inname.data(), static_cast<int>(inname.size()), reading, report);
    export_read = true;
  }
  attempt([&] { close_unit(kControl); });

  double steps = static_cast<double>(p.steps_between_points ? facts.npts - 1 : facts.npts);
  double delt = erange / (steps * c.vscan);

  // Values that make the derived ones infinite or not a number.
  // The count, and with it delt and the console summary, comes before any failure of the
  // conversion's own reads.
  bool delt_known = export_read && (!facts.stop || facts.stop_after_output);
  std::string and_delt = delt_known ? " and delt " + in_words(delt) : std::string();
  if (erange == 0.0) {
    report.add(
        Severity::warning, place(3),
        "estart, evertex and eend are equal: the potential range erange is 0, so freq is " +
            in_words(freq) + and_delt + ", and the ZEP file shows them so; check " +
            (from_file ? "lines " + std::to_string(line_no(3)) + " to " + std::to_string(line_no(5))
                       : std::string("--estart, --evertex and --eend")));
  }
  if (c.vscan == 0.0) {
    report.add(Severity::warning, place(2),
               "vscan is 0: freq is " + in_words(freq) + and_delt +
                   ", and the ZEP file shows them so; give the scan rate in V/s");
  }
  if (export_read && !facts.stop && facts.npts == 0) {
    report.add(Severity::warning, {export_name, facts.heading_line, 0},
               "no data line follows the column heading: the ZEP file gets its 41 header records "
               "only, and delt is " +
                   in_words(delt));
  } else if (export_read && !facts.stop && std::isfinite(erange) && erange != 0.0 &&
             c.vscan != 0.0 && !std::isfinite(delt)) {
    report.add(Severity::warning, {export_name, 0, 0},
               "the export gives " + std::to_string(facts.npts) +
                   (facts.npts == 1 ? " point" : " points") + ", so delt = erange / (" +
                   (p.steps_between_points ? "(npts - 1)" : "npts") + " * vscan) is " +
                   in_words(delt) + " and the times of the ZEP file are not numbers");
  }

  // The sweep against the data: an export that does not run from estart over evertex to eend
  // belongs to another control file.
  if (export_read && facts.converted > 1 && !facts.misaligned) {
    double lo = std::min(c.estart, std::min(c.evertex, c.eend));
    double hi = std::max(c.estart, std::max(c.evertex, c.eend));
    double tolerance = std::abs(c.amp) * 1e-3 + 0.05 * (hi - lo) + 1e-6;
    if (std::abs(facts.emin - lo) > tolerance || std::abs(facts.emax - hi) > tolerance) {
      report.add(Severity::warning, {export_name, 0, 0},
                 "the first column runs from " + in_words(facts.emin) + " to " +
                     in_words(facts.emax) + " V, but " +
                     (from_file ? control + " gives" : std::string("the arguments give")) +
                     " a sweep from " + in_words(lo) + " to " + in_words(hi) +
                     " V (estart, evertex, eend): is the control file written for another "
                     "export?");
    }
  }

  // The output, opened after the export has been read to its end.
  Place output_place = place(1);
  std::string output_name = name_as_opened(outname.data(), static_cast<int>(outname.size()));
  OutputFate fate = OutputFate::fails;
  bool output_opened = !facts.stop || facts.stop_after_output;
  if (output_name.empty()) {
    if (!facts.stop) facts.stop.first_line = "open: null file name";
  } else if (output_opened || (export_read && !facts.stop)) {
    std::string open_stop;
    fate = check_output(report, output_place, output_name, export_name, kExport, open_stop);
    if (!facts.stop && !open_stop.empty()) {
      facts.stop.first_line = open_stop;
      facts.stop_after_output = true;
      facts.stop_place = output_place;
    }
  }
  bool unix2dos = tool_on_path("unix2dos");
  bool completes = !facts.stop && (fate == OutputFate::created || fate == OutputFate::replaced);
  if (completes && !unix2dos) {
    report.add(Severity::warning, place(1),
               "unix2dos is not found on PATH: the shell reports \"unix2dos: not found\", the "
               "ZEP file keeps LF line ends and the exit status is still 0; install the "
               "dos2unix package");
  }

  // The summary.
  auto given_by = [&](int k) {
    return from_file ? "line " + std::to_string(line_no(k)) : std::string(kArgumentNames[k]);
  };
  if (from_file) {
    summarize_control(report, lines, inname, line_no(0), outname, line_no(1));
  } else {
    report.summary("control file", "none: the names and values are arguments");
    report.summary("export", shown(inname) + " (EXPORT)");
    report.summary("output", shown(outname) + " (OUTPUT)");
  }
  if (invocation.columns_given) report.summary("columns", columns_text(invocation.columns));
  const char* units[] = {"", "", " V/s", " V", " V", " V", " mV", ""};
  double values[] = {0, 0, c.vscan, c.estart, c.evertex, c.eend, c.amp, 0};
  const char* labels[] = {"", "", "vscan", "estart", "evertex", "eend", "amp", "nper"};
  for (int k = 2; k < 7; ++k) {
    report.summary(labels[k], in_words(values[k]) + units[k] + " (" + given_by(k) + ")");
  }
  report.summary("nper", std::to_string(c.nper) + " (" + given_by(7) + ")");
  report.summary("erange", in_words(erange) + " V");
  report.summary("freq", in_words(freq) + " Hz");
  if (delt_known) report.summary("delt", in_words(delt) + " s");
  if (export_read && facts.heading_found) {
    report.summary(
        "header lines",
        std::to_string(facts.heading_line) +
            (p.header_length ? " (\"Header length = " + std::to_string(facts.nhead) + "\")"
                             : std::string()));
    report.summary("heading", export_name + ":" + std::to_string(facts.heading_line) + ": " +
                                  shown(facts.heading_text));
  }
  if (delt_known) {
    report.summary(
        "points",
        std::to_string(facts.npts) + " (\"Found " + std::to_string(facts.npts) + " data points\")" +
            (facts.converted != facts.npts ? ", " + std::to_string(facts.converted) + " written"
                                           : std::string()));
    if (facts.converted > 0) {
      report.summary("first point", "E " + in_words(facts.first[0]) + " V, -I " +
                                        in_words(facts.first[1]) + " A, t 0. s");
      report.summary("last point", "E " + in_words(facts.last[0]) + " V, -I " +
                                       in_words(facts.last[1]) + " A, t " +
                                       in_words(static_cast<double>(facts.converted - 1) * delt) +
                                       " s");
    }
  }
  summarize_output(
      report, output_name, !facts.stop || facts.stop_after_output, fate,
      facts.stop ? ", and left incomplete"
                 : ": 41 header records and " + std::to_string(facts.converted) + " data lines");
  if (completes) {
    report.summary("then", "unix2dos " + output_name + (unix2dos ? "" : " (not found)"));
  }
  summarize_result(report, facts, completes, export_created, export_name);
  return finish();
}

}  // namespace convkit
