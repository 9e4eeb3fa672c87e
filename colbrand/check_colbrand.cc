// colbrand's own check: names read as whole lines, delt from the control file, the output
// opened (and emptied) before the export is read, and Header.txt put in front by the shell.
#include "colbrand/check_colbrand.h"

#include <cmath>
#include <cstring>
#include <string>

#include "common/check/control_lines.h"
#include "common/check/export_check.h"
#include "common/check/line_scan.h"
#include "common/check/name_check.h"
#include "common/check/opening.h"
#include "common/check/output_check.h"
#include "common/check/probe.h"
#include "common/check/report.h"
#include "common/check/verdict.h"
#include "common/convert/cut_name.h"
#include "common/recordio/file_probe.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/free_reader.h"
#include "common/recordio/line_read.h"
#include "common/recordio/unit.h"

namespace convkit {

namespace {

constexpr int kControl = 1;
constexpr int kExport = 2;

// A name record as the conversion reads it: the whole line, cut; below 1 no name.
int32_t read_name(char* line, char* name) {
  read_text_line(kControl, line);
  int32_t length = take_name(line, name);
  return length > 0 ? length : 0;
}

// Whether name reaches the header file, or will be it once created.
bool is_header_file(const std::string& name, const std::string& header_file) {
  FileProbe output = probe_file(name);
  FileProbe header = probe_file(header_file);
  if (output.exists && header.exists) return output.dev == header.dev && output.ino == header.ino;
  return name == header_file || "./" + name == header_file || name == "./" + header_file;
}

// The header file is not read by the program: cat copies its bytes in front of the points.
bool check_header_file(Report& report, const std::string& name) {
  int error = 0;
  FileState state = file_state(name, &error);
  if (state == FileState::missing) {
    report.add(Severity::warning, {name, 0, 0},
               "there is no " + name + (name == "Header.txt" ? " in this folder" : "") +
                   ": cat reports it missing, and the output holds the point lines only, with "
                   "exit status 0; put your header file here");
    return false;
  }
  if (state == FileState::unreadable) {
    report.add(Severity::warning, {name, 0, 0},
               "cannot be read (" + std::string(std::strerror(error)) +
                   "): the output holds the point lines only");
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
    report.add(Severity::warning, {name, 1, 1},
               "the file is UTF-16 text: its bytes go unchanged in front of the point lines, "
               "which are single-byte text; save it as plain text");
  } else if (scan.first_zero() >= 0) {
    report.add(Severity::warning, {name, 0, 0},
               "the file holds zero bytes (UTF-16 text?): they go unchanged into the output");
  } else if (begins_utf8_mark(scan.start())) {
    report.add(Severity::warning, {name, 1, 1},
               "the file begins with a UTF-8 byte-order mark: it goes into the output's first "
               "bytes; save " +
                   name + " without it");
  }
  if (!ended) {
    report.add(Severity::warning, {name, last, 0},
               "the last line has no line end: the first point line is joined to it; end " + name +
                   " with a line end");
  }
  return true;
}

}  // namespace

int check_colbrand(const Invocation& invocation) {
  start_check();
  Report report;
  const bool from_file = invocation.control_file;
  const std::string control = "colbrand.inp";
  const std::string header_file(invocation.header_file);
  if (from_file) report.name_file(control);
  auto finish = [&] {
    report.print("colbrand");
    return report.exit_status();
  };
  if (from_file && !control_file_readable(report, "colbrand", control, "fmt: end of file",
                                          "three lines: export, output, delt")) {
    return finish();
  }

  ControlFile lines;
  if (from_file) lines = read_control_lines(control, 16, report);
  char line[kLineLength], inname[kLineLength], outname[kLineLength];
  int32_t inlen = 0, outlen = 0;
  double delt = 0.0;
  off_t offsets[3] = {-1, -1, -1};
  int done = 0;
  Stop stop;
  if (from_file)
    stop = attempt([&] {
      open_unit(kControl, control.c_str(), static_cast<int>(control.size()));
      rewind_unit(kControl);
      offsets[0] = unit_offset(kControl);
      inlen = read_name(line, inname);
      done = 1;
      offsets[1] = unit_offset(kControl);
      outlen = read_name(line, outname);
      done = 2;
      offsets[2] = unit_offset(kControl);
      read_free(kControl, {real_item(delt)}, false);
      done = 3;
      close_unit(kControl);
    });
  auto line_of = [&](int k) -> const ControlLine* {
    if (offsets[k] < 0) return nullptr;
    // A line read takes the very next line, blank or not.
    for (const ControlLine& l : lines.lines) {
      if (l.offset == offsets[k]) return &l;
    }
    return lines.line_at(offsets[k]);
  };
  auto line_no = [&](int k) { return line_of(k) != nullptr ? line_of(k)->number : 0; };
  std::string in(inname, static_cast<size_t>(inlen > 0 ? inlen : 0));
  std::string out(outname, static_cast<size_t>(outlen > 0 ? outlen : 0));
  if (!from_file) {
    in = invocation.export_name;
    out = invocation.output_name;
    delt = invocation.delt;
    done = 3;
  }
  // Where a value comes from: its control-file line, or its argument.
  auto place = [&](int k) -> Place {
    if (!from_file) return {k == 0 ? "EXPORT" : k == 1 ? "OUTPUT" : "--delt", 0, 0};
    return {control, line_no(k), 0};
  };
  for (int k = 0; k < 2 && k < done; ++k) {
    const ControlLine* l = line_of(k);
    if (l == nullptr) continue;
    NameLine name{control, "colbrand", l->number, l->text, l->crlf, k == 0 ? "export" : "output"};
    check_name(report, name, k == 0 ? std::string_view(in) : std::string_view(out),
               NameRule::whole_line);
  }
  if (done >= 3 && line_of(2) != nullptr) {
    check_number_line(report, lines, *line_of(2), "delt, the time step");
  }
  if (stop) {
    Place at{control, lines.lines.empty() ? 0 : lines.lines.back().number, 0};
    std::string text = "the conversion stops here with \"" + stop.first_line + "\"";
    if (stop.first_line.find("end of file") != std::string::npos) {
      text += std::string(": the file ends before its ") +
              (done == 0   ? "first line"
               : done == 1 ? "second line"
                           : "third line, delt") +
              "; colbrand.inp holds three lines, each CR LF ended";
    } else {
      if (line_of(done) != nullptr) at.line = line_of(done)->number;
      text += ": delt, the time step in seconds, is due here and this is no number";
    }
    report.add(Severity::error, at, text);
    report.summary("control file", control);
    report.summary("result", "the conversion fails at colbrand.inp (" + stop.first_line +
                                 "), before it opens a file");
    return finish();
  }
  if (!std::isfinite(delt)) {
    report.add(Severity::warning, place(2),
               "delt is " + number_text(delt) + ": every time but the first is not a number");
  }

  // The export and the output are opened one after the other; the output is emptied before the
  // export's header is searched.
  std::string export_name = from_file ? name_as_opened(inname, inlen)
                                      : name_as_opened(in.data(), static_cast<int>(in.size()));
  std::string output_name = from_file ? name_as_opened(outname, outlen)
                                      : name_as_opened(out.data(), static_cast<int>(out.size()));
  Place export_place = place(0);
  Place output_place = place(1);
  ExportFacts facts;
  bool export_read = false;
  bool export_created = false;
  OutputFate fate = OutputFate::fails;
  export_readable(report, export_place, export_name, facts.stop, export_created);
  bool export_opens = !export_name.empty() && (!facts.stop || export_created);
  if (export_opens) {
    if (output_name.empty()) {
      facts.stop.first_line = "open: null file name";
    } else {
      std::string open_stop;
      if (is_header_file(output_name, header_file) && !is_header_file(export_name, header_file)) {
        // The open itself goes through; the output is refused before a byte of it changes.
        open_stop = "open: file is the header file " + header_file;
        fate = OutputFate::refused;
        report.add(Severity::error, output_place,
                   "the output is " + header_file +
                       ", the header file itself: the conversion refuses it (\"" + open_stop +
                       "\") and leaves it as it is; name another output file");
      } else {
        fate = check_output(report, output_place, output_name, export_name, kExport, open_stop);
      }
      if (!open_stop.empty()) {
        // The output is opened before the export's first read.
        facts.stop.first_line = open_stop;
        facts.stop_place = output_place;
      }
    }
  }
  if (!facts.stop) {
    ExportReading reading;
    reading.program = "colbrand";
    reading.unit = kExport;
    reading.count_values = 2;
    reading.convert_values = 2;
    reading.output_opened_first = true;
    facts = check_export(export_name, from_file ? inname : in.data(),
                         from_file ? inlen : static_cast<int>(in.size()), reading, report);
    export_read = true;
  }
  bool completes = !facts.stop && (fate == OutputFate::created || fate == OutputFate::replaced);
  bool header = false;
  if (completes || (export_read && fate != OutputFate::fails && fate != OutputFate::refused)) {
    header = check_header_file(report, header_file);
  }
  if (completes && !tool_on_path("cat")) {
    report.add(Severity::warning, from_file ? Place{control, 0, 0} : place(1),
               "cat, mv or rm is not found on PATH: the output is not put together");
  }

  // The summary.
  if (from_file) {
    summarize_control(report, lines, in, line_no(0), out, line_no(1));
    report.summary("delt", number_text(delt) + " s (line " + std::to_string(line_no(2)) + ")");
  } else {
    report.summary("control file", "none: the names and values are arguments");
    report.summary("export", shown(in) + " (EXPORT)");
    report.summary("output", shown(out) + " (OUTPUT)");
    report.summary("delt", number_text(delt) + " s (--delt)");
  }
  if (export_read && facts.heading_found) {
    report.summary("header lines", std::to_string(facts.heading_line));
    report.summary("heading", export_name + ":" + std::to_string(facts.heading_line) + ": " +
                                  shown(facts.heading_text));
  }
  if (export_read && !facts.stop) {
    report.summary("points", std::to_string(facts.converted) + " (\"Found  " +
                                 std::to_string(facts.converted) + " points\")");
    if (facts.converted > 0) {
      report.summary("first point", "E " + number_text(facts.first[0]) + ", -I " +
                                        number_text(facts.first[1]) + ", t 0.");
      report.summary("last point",
                     "E " + number_text(facts.last[0]) + ", -I " + number_text(facts.last[1]) +
                         ", t " + number_text(static_cast<double>(facts.converted - 1) * delt));
    }
  }
  summarize_output(
      report, output_name, export_opens && !output_name.empty(), fate,
      facts.stop ? ", but without " + header_file +
                       ": it holds the point lines written before "
                       "the failure (an existing file keeps its bytes when none was)"
                 : (header ? ": the bytes of " + header_file + ", then " : ": no header, only ") +
                       std::to_string(facts.converted) + " point lines");
  if (completes) {
    report.summary("then", "mv " + output_name + " colbrand.XXXXXX; cat " + header_file +
                               " colbrand.XXXXXX > " + output_name + "; rm -f colbrand.XXXXXX");
  }
  summarize_result(report, facts, completes, export_created, export_name);
  return finish();
}

}  // namespace convkit
