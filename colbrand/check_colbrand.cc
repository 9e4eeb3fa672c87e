// colbrand's own check: names read as whole lines, delt from the control file, the output
// opened (and emptied) before the export is read, and Header.txt put in front by the shell.
#include "colbrand/check_colbrand.h"

#include <cmath>
#include <cstring>
#include <string>

#include "colbrand/run_colbrand.h"
#include "common/check/control_lines.h"
#include "common/check/evidence.h"
#include "common/check/export_check.h"
#include "common/check/export_reads.h"
#include "common/check/opening.h"
#include "common/check/probe.h"
#include "common/check/report.h"
#include "common/check/verdict.h"
#include "common/convert/export_header.h"
#include "common/recordio/file_probe.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/line_scan.h"
#include "common/recordio/shell.h"
#include "common/recordio/unit.h"

namespace convkit {

namespace {

// Whether name reaches the header file, or will be it once created.
bool is_header_file(const std::string& name, const std::string& header_file) {
  FileProbe output = probe_file(name);
  FileProbe header = probe_file(header_file);
  if (output.exists && header.exists) return output.dev == header.dev && output.ino == header.ino;
  return name == header_file || "./" + name == header_file || name == "./" + header_file;
}

// The header file is not read by the program: cat copies its bytes in front of the points.
bool check_header_file(Report& report, const std::string& name) {
  // What prepend_header counts on: a readable regular file.
  const FileProbe header = probe_file(name);
  if (!header.exists) {
    report.warning({name, 0, 0},
                   "there is no " + name + (name == "Header.txt" ? " in this folder" : "") +
                       ": cat reports it missing, and the output holds the point lines only, with "
                       "exit status 0; put your header file here");
    return false;
  }
  if (!header.regular || !header.readable) {
    report.warning({name, 0, 0}, std::string(header.regular ? "cannot be read" : "is not a file") +
                                     ": the output holds the point lines only");
    return false;
  }
  LineScan scan(name);
  Line l;
  int64_t last = 0;
  bool ended = true;
  while (scan.next(l)) {
    last = l.number;
    ended = l.ended;
  }
  if (begins_utf16_mark(scan.start())) {
    report.warning({name, 1, 1},
                   "the file is UTF-16 text: its bytes go unchanged in front of the point lines, "
                   "which are single-byte text; save it as plain text");
  } else if (scan.first_zero() >= 0) {
    report.warning({name, 0, 0},
                   "the file holds zero bytes (UTF-16 text?): they go unchanged into the output");
  } else if (begins_utf8_mark(scan.start())) {
    report.warning({name, 1, 1},
                   "the file begins with a UTF-8 byte-order mark: it goes into the output's first "
                   "bytes; save " +
                       name + " without it");
  }
  if (!ended) {
    report.warning({name, last, 0},
                   "the last line has no line end: the first point line is joined to it; end " +
                       name + " with a line end");
  }
  return true;
}

// A point line with its line feed.
constexpr int64_t kPointLineBytes = 44;

constexpr int kStatements = 3;
const char* const kLineNames[kStatements] = {"first line", "second line", "third line, delt"};

// The state of one check.
struct ColbrandCheck {
  explicit ColbrandCheck(const Invocation& given)
      : invocation(given), from_file(given.control_file), header_file(given.header_file) {}

  const Invocation& invocation;
  const bool from_file;  // the names and delt come from colbrand.inp, not the arguments
  const std::string header_file;
  const std::string control = "colbrand.inp";
  Report report;
  ControlFile lines;
  ColbrandRun run{};
  off_t offsets[kStatements] = {-1, -1, -1};
  int done = 0;
  std::string export_name, output_name;
  ExportOpen open;
  ExportReads reads;
  ExportLines seen;
  bool export_read = false;
  bool export_opens = false;
  Stop stop;
  Place stop_place;
  OutputFate fate = OutputFate::fails;
  bool completes = false;
  bool header = false;

  const ControlLine* line_of(int k) const {
    if (offsets[k] < 0) return nullptr;
    // A line read takes the very next line, blank or not.
    for (const ControlLine& l : lines.lines) {
      if (l.offset == offsets[k]) return &l;
    }
    return lines.line_at(offsets[k]);
  }
  int64_t line_no(int k) const { return line_of(k) != nullptr ? line_of(k)->number : 0; }
  // Where a value comes from: its control-file line, or its argument.
  Place at(int k) const {
    if (!from_file) return {k == 0 ? "EXPORT" : k == 1 ? "OUTPUT" : "--delt", 0, 0};
    return {control, line_no(k), 0};
  }
};

std::string opened(std::string_view name) { return std::string(opened_name(name)); }

// The conversion's own control statements; false when it stops there.
bool read_control(ColbrandCheck& c) {
  c.lines = read_control_lines(c.control, 16, c.report);
  const Stop stop = attempt([&] {
    read_control_file(c.run, [&c](int k) {
      c.offsets[k] = unit_offset(kControlUnit);
      c.done = k;
    });
    c.done = kStatements;
  });
  const std::string_view names[2] = {c.run.inname, c.run.outname};
  for (int k = 0; k < 2 && k < c.done; ++k) {
    const ControlLine* l = c.line_of(k);
    if (l != nullptr) {
      check_name(c.report, c.lines, *l, "colbrand", k == 0 ? "export" : "output", names[k],
                 NameRule::whole_line);
    }
  }
  if (c.done >= kStatements && c.line_of(2) != nullptr) {
    check_number_line(c.report, c.lines, *c.line_of(2), "delt, the time step", "s");
  }
  if (!stop) return true;
  Place at{c.control, c.lines.lines.empty() ? 0 : c.lines.lines.back().number, 0};
  std::string text = "the conversion stops here with \"" + stop.first_line + "\"";
  if (stop.first_line.find("end of file") != std::string::npos) {
    text += std::string(": the file ends before its ") + kLineNames[c.done] +
            "; colbrand.inp holds three lines, each CR LF ended";
  } else {
    if (c.line_of(c.done) != nullptr) at.line = c.line_of(c.done)->number;
    text += ": delt, the time step in seconds, is due here and this is no number";
  }
  c.report.error(at, text);
  c.report.summary("control file", c.control);
  c.report.summary("result", "the conversion fails at colbrand.inp (" + stop.first_line +
                                 "), before it opens a file");
  return false;
}

// What the finishing commands need, looked at by the conversion before it opens a file: a
// scratch file in the working folder, an output folder that lets the output be moved, a header
// file that is a regular file it may read. False when the conversion stops there.
bool forecast_needs(ColbrandCheck& c) {
  const FileProbe output = probe_file(c.output_name);
  if (output.exists && !output.regular) return true;
  const OpenForecast scratch = forecast_open("colbrand.XXXXXX");
  const std::string target =
      output.link && !output.resolved.empty() ? output.resolved : c.output_name;
  std::string why;
  if (!scratch.failure.empty()) {
    c.stop.first_line = scratch.failure;
    why = "its scratch file cannot be made in the working folder";
  } else if (const int refused = output.exists ? folder_refuses_move(target) : 0; refused != 0) {
    c.stop.first_line = "mv: " + std::string(std::strerror(refused));
    why = "the output cannot be moved out of its folder";
  } else {
    const FileProbe header = probe_file(c.header_file);
    if (header.exists && !header.regular) {
      c.stop.first_line = "cat: " + c.header_file + " is not a regular file";
    } else if (header.exists && !header.readable) {
      c.stop.first_line = "cat: " + c.header_file + " cannot be read";
    }
    why = c.header_file + " is not a file cat can copy";
  }
  if (!c.stop) return true;
  c.stop_place = c.at(1);
  c.report.error(c.stop_place, "the conversion stops before it opens a file with \"" +
                                   c.stop.first_line + "\": " + why +
                                   "; the output is left as it is");
  return false;
}

// The export and the output are opened one after the other; the output is emptied before the
// export's header is searched.
void open_both(ColbrandCheck& c) {
  c.export_name = opened(c.run.inname);
  c.output_name = opened(c.run.outname);
  if (!forecast_needs(c)) return;
  if (!c.export_name.empty()) c.report.name_file(c.export_name);
  c.open = forecast_export(c.report, c.at(0), c.export_name, false, c.control, c.line_of(0),
                           c.output_name, c.line_of(1));
  if (!c.open.meant.empty()) c.stop_place = c.at(0);
  c.stop = c.open.stop;
  c.export_opens = !c.export_name.empty() && (!c.stop || c.open.created);
  if (!c.export_opens) return;
  if (c.output_name.empty()) {
    c.stop.first_line = "open: null file name";
    return;
  }
  std::string open_stop;
  if (is_header_file(c.output_name, c.header_file) &&
      !is_header_file(c.export_name, c.header_file)) {
    // The open itself goes through; the output is refused before a byte of it changes.
    open_stop = "open: file is the header file " + c.header_file;
    c.fate = OutputFate::refused;
    c.report.error(c.at(1), "the output is " + c.header_file +
                                ", the header file itself: the conversion refuses it (\"" +
                                open_stop + "\") and leaves it as it is; name another output file");
  } else {
    c.fate = check_output(c.report, c.at(1), c.output_name, c.export_name, kExportUnit,
                          c.from_file ? c.control : std::string(), open_stop);
  }
  if (!open_stop.empty()) {
    // The output is opened before the export's first read.
    c.stop.first_line = open_stop;
    c.stop_place = c.at(1);
  }
}

// The export, or the one an LF-ended line means: the check reads on with it and the output its
// line means, while the conversion stops at the empty export it creates.
void read_the_export(ColbrandCheck& c) {
  const std::string& name = c.open.meant.empty() ? c.export_name : c.open.meant;
  const bool reads_on = name != c.export_name;
  if ((c.stop && !reads_on) || c.open.fifo) return;
  ExportReading reading;
  reading.program = "colbrand";
  reading.count_values = 2;
  reading.convert_values = 2;
  reading.output_opened_first = true;
  reading.line = c.run.line;
  reading.search = [&c] { return skip_to_column_heading(c.run.line); };
  c.reads = read_export(reading, name.data(), static_cast<int>(name.size()));
  if (!reads_on) {
    c.export_read = true;
    c.stop = c.reads.stop;
  }
  const EqualTimes equal =
      !c.reads.stop ? equal_times(c.reads.converted, c.run.delt) : EqualTimes{};
  c.seen = look_at_export(name, reading, c.reads, equal.first, c.report);
  if (!reads_on) c.stop_place = c.seen.stop_place;
  judge_time_resolution(c.report, {name, c.seen.point_line, 0}, equal, c.run.delt);
  if (c.reads.stop || c.seen.misaligned) return;
  judge_roles(c.report, {name, c.seen.heading_line, 0}, heading_roles(c.seen.heading_text), "E,I",
              "colbrand", false);
  if (!c.reads.at_limit) {
    judge_stated_count(c.report, {name, c.seen.stated_line, 0}, c.seen.stated, c.reads.npts, false);
  }
  if (reads_on && !c.open.meant_output.empty()) {
    std::string open_stop;
    check_output(c.report, c.at(1), c.open.meant_output, name, kExportUnit, c.control, open_stop);
  }
}

// The commands that put Header.txt in front, and the tools they need.
void forecast_finish(ColbrandCheck& c) {
  c.completes = !c.stop && (c.fate == OutputFate::created || c.fate == OutputFate::replaced);
  if (c.completes || ((c.export_read || !c.open.meant.empty()) && c.fate != OutputFate::fails &&
                      c.fate != OutputFate::refused)) {
    c.header = check_header_file(c.report, c.header_file);
  }
  if (!c.completes) return;
  std::string room_stop;
  if (!check_output_room(c.report, c.at(1), c.output_name, kPointLineBytes * c.reads.converted,
                         room_stop)) {
    c.stop.first_line = room_stop;
    c.stop_place = c.at(1);
    c.completes = false;
    return;
  }
  std::string missing;
  for (const char* tool : kHeaderTools) {
    if (!tool_on_path(tool)) missing += (missing.empty() ? "" : ", ") + std::string(tool);
  }
  if (!missing.empty()) {
    c.report.warning(c.from_file ? Place{c.control, 0, 0} : c.at(1),
                     missing + " is not found on PATH: the output is not put together");
  }
}

void summarize(ColbrandCheck& c) {
  Report& report = c.report;
  const ColbrandRun& r = c.run;
  if (c.from_file) {
    summarize_control(report, c.lines, r.inname, c.line_no(0), r.outname, c.line_no(1));
    report.summary("delt", number_text(r.delt) + " s (line " + std::to_string(c.line_no(2)) + ")");
  } else {
    report.summary("control file", "none: the names and values are arguments");
    report.summary("export", shown(r.inname) + " (EXPORT)");
    report.summary("output", shown(r.outname) + " (OUTPUT)");
    report.summary("delt", number_text(r.delt) + " s (--delt)");
  }
  if (c.export_read && c.reads.heading_found) {
    report.summary("header lines", std::to_string(c.seen.heading_line));
    report.summary("heading", c.export_name + ":" + std::to_string(c.seen.heading_line) + ": " +
                                  shown(c.seen.heading_text));
  }
  const int32_t n = c.reads.converted;
  if (c.export_read && !c.stop) {
    report.summary("points", std::to_string(n) + " (\"Found  " + std::to_string(n) + " points\")");
    if (n > 0) {
      const PointValues& v = c.reads.values;
      report.summary("first point", "E " + number_text(v.first[0]) + ", -I " +
                                        number_text(-v.first[1]) + ", t 0.");
      report.summary("last point", "E " + number_text(v.last[0]) + ", -I " +
                                       number_text(-v.last[1]) + ", t " +
                                       number_text(static_cast<double>(n - 1) * r.delt));
    }
  }
  summarize_output(
      report, c.output_name, c.export_opens && !c.output_name.empty(), c.fate,
      c.stop ? ", but without " + c.header_file +
                   ": it holds the point lines written before the failure (an existing file "
                   "keeps its bytes when none was)"
             : (c.header ? ": the bytes of " + c.header_file + ", then " : ": no header, only ") +
                   (c.open.fifo ? "the point lines of what the FIFO's writer gives"
                                : std::to_string(n) + " point lines"));
  if (c.completes) {
    const HeaderCommands commands =
        header_commands(shell_word(c.output_name), "colbrand.XXXXXX", c.header_file);
    report.summary("then", commands.move + "; " + commands.join + "; " + commands.remove);
  }
  summarize_result(report, c.stop, c.stop_place, c.completes, c.open.created, c.export_name);
}

}  // namespace

int check_colbrand(const Invocation& invocation) {
  start_check();
  ColbrandCheck c(invocation);
  c.run.header_file = c.header_file;
  bool read = true;
  if (!c.from_file) {
    take_arguments(c.run, invocation);
    c.done = kStatements;
  } else {
    c.report.name_file(c.control);
    read = control_file_readable(c.report, "colbrand", c.control, "fmt: end of file",
                                 "three lines: export, output, delt") &&
           read_control(c);
  }
  if (read) {
    if (!std::isfinite(c.run.delt)) {
      c.report.warning(c.at(2), "delt is " + number_text(c.run.delt) +
                                    ": every time but the first is not a number");
    }
    open_both(c);
    read_the_export(c);
    forecast_finish(c);
    summarize(c);
  }
  c.report.print("colbrand");
  return c.report.exit_status();
}

}  // namespace convkit
