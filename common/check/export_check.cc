// One pass of the check's own over the lines turns the reads' offsets into lines and columns
// and looks at what each line holds.
#include "common/check/export_check.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "common/check/value_shape.h"
#include "common/convert/export_header.h"
#include "common/recordio/line_scan.h"

namespace convkit {
namespace {

std::string plural(int64_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string first_word(std::string_view visible) {
  size_t a = visible.find_first_not_of(" \t");
  if (a == std::string_view::npos) return "";
  return std::string(visible.substr(a, visible.find_first_of(" \t,/", a) - a));
}

// The blank-separated item around a column.
std::string item_at(std::string_view text, int column) {
  size_t at = static_cast<size_t>(column - 1);
  size_t a = text.find_last_of(" \t", at);
  a = a == std::string_view::npos ? 0 : a + 1;
  return std::string(text.substr(a, text.find_first_of(" \t", at) - a));
}

// A number run on into other bytes (1.#INF): the whole item, and the number the read takes.
struct RunOn {
  std::string item, number;
};
RunOn run_on(std::string_view text, const ValueShape& s) {
  const auto from = static_cast<size_t>(s.number_column - 1);
  return {std::string(text.substr(from, static_cast<size_t>(s.junk_end - s.number_column))),
          std::string(text.substr(from, static_cast<size_t>(s.junk_column - s.number_column)))};
}

// A line whose values are parted by a byte the reads do not take for a separator.
std::string parted_by(const ValueShape& s) {
  return "the values of this line are parted by " + shown(std::string(1, s.separator)) +
         ", which the conversion does not take for a separator";
}

// The number a header line states for the points: "Points: 201", "number of points = 201",
// "Number of data points: 201", "couples: 2401", "triples: N", any case; -1 when it states none.
int64_t stated_points(std::string_view text) {
  for (std::string_view word : {"points", "couples", "triples"}) {
    for (size_t at = 0; at + word.size() <= text.size(); ++at) {
      if (strncasecmp(text.data() + at, word.data(), word.size()) != 0) continue;
      // The trace's own count: no word, or "of" or "data", before it ("Grid points: 400" is not).
      std::string w(text.substr(0, at));
      w.erase(w.find_last_not_of(" \t") + 1);
      w.erase(0, w.find_last_of(" \t") + 1);
      if (!w.empty() && strcasecmp(w.c_str(), "of") != 0 && strcasecmp(w.c_str(), "data") != 0) {
        continue;
      }
      int64_t n = -1;
      for (size_t i = text.find_first_not_of(" \t:=", at + word.size());
           i < text.size() && n < 1000000000; ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
          n = (n < 0 ? 0 : n * 10) + (text[i] - '0');
        } else if (n < 0 || (text[i] != ',' && text[i] != '.')) {  // "1,201": thousands
          break;
        }
      }
      if (n >= 0) return n;
    }
  }
  return -1;
}

// Where in the lines a failing statement meets its failure, found from the statement's first
// byte by the reads' own rule: blank LF lines are passed over, values are taken until count
// are read, and a carriage return, a text or a byte after a number stops the read.
struct Locator {
  bool active = false, done = false;
  bool empty_crlf = false;  // at an empty CR LF line
  int need = 0;
  int64_t line = 0, column = 0;
  std::string why{};

  void feed(const Line& l, int64_t from) {
    std::string_view text = l.visible();
    size_t skip = static_cast<size_t>(from - l.offset);
    if (skip > text.size()) skip = text.size();
    std::string_view rest = text.substr(skip);
    ValueShape s = value_shape(rest);
    auto at = [&](int64_t column_in_rest, std::string reason) {
      line = l.number;
      column = column_in_rest + static_cast<int64_t>(skip);
      why = std::move(reason);
      done = true;
    };
    if (s.blank && !l.crlf) {
      if (!l.ended) at(1, "");  // the end of the file
      return;
    }
    if (s.numbers >= need) return at(1, "");
    if (s.separator != 0) return at(s.junk_column, parted_by(s));
    if (s.junk_column > 0) {
      const RunOn r = run_on(rest, s);
      return at(s.junk_column,
                shown(r.item) + " is read as the number " + r.number +
                    ", and the bytes after it as the next value, which is no number");
    }
    if (s.text_column > 0) {
      const std::string word = first_word(rest.substr(static_cast<size_t>(s.text_column - 1)));
      return at(s.text_column, shown(word, 40) + " stands where a number is due");
    }
    if (l.crlf) {
      empty_crlf = s.blank;
      return at(static_cast<int64_t>(text.size() - skip) + 1,
                s.blank ? std::string("an empty line among the data of a CR LF export")
                        : "this line holds " + plural(s.numbers, "value", "values") + " where " +
                              std::to_string(need) +
                              " are due, and with CR LF line ends its carriage return stands "
                              "where the next value is looked for");
    }
    need -= s.numbers;
    if (!l.ended) at(static_cast<int64_t>(text.size() - skip) + 1, "");
  }
};

// What the data lines hold, counted over the pass.
struct DataLines {
  int64_t count = 0, short_lines = 0, long_lines = 0, two = 0, junk = 0, commas = 0, parted = 0;
  int64_t first_short = 0, first_long = 0, text_after = 0;  // text_after: text after the data
  int first_short_values = 0;
  bool short_crlf = false;
};

// The pass: each line as it comes, then the findings on the whole.
struct ExportPass {
  const std::string& name;
  const ExportReading& reading;
  const ExportReads& reads;
  Report& report;
  const std::string prog{reading.program};
  const int want = reading.convert_values;
  const off_t data_end = reads.at_limit ? reads.end_offset : -1;
  ExportLines f{};
  Locator locate{.need = reads.stop_count};
  int64_t ends[2] = {}, first_end[2] = {};  // lines ended in LF and in CR LF, the first of each
  int64_t beyond = 0, first_beyond = 0;     // data lines after the point bound
  int64_t capital_heading = 0, last_text_line = 0, real_heading = 0, last_nonblank = 0, quote = 0;
  std::string capital_word{}, real_heading_text{};
  int64_t last_unended = 0;  // the last line, when no line feed ends it
  bool last_unended_text = false, last_unended_data = false, after_heading_checked = false;
  DataLines d{};

  void take(const Line& l, int32_t point);
  void search_heading(const Line& l, std::string_view vis, const ValueShape& s);
  void take_data(const Line& l, std::string_view vis, const ValueShape& s, int32_t point);
  void report_file(const LineScan& scan);
  void report_data();
  void report_stop();
};

void ExportPass::take(const Line& l, int32_t point) {
  f.lines = l.number;
  if (l.ended && ends[l.crlf]++ == 0) first_end[l.crlf] = l.number;
  const int64_t end = l.offset + l.length + (l.ended ? 1 : 0);
  if (locate.active && !locate.done) locate.feed(l, l.offset);
  if (reads.stop_offset >= 0 && !locate.active && reads.stop_offset < end + (l.ended ? 0 : 1)) {
    locate.active = true;
    locate.feed(l, reads.stop_offset);
  }
  const std::string_view vis = l.visible();
  const ValueShape s = value_shape(vis);
  if (!s.blank) last_nonblank = l.number;
  const bool header = !reads.heading_found || l.offset < reads.data_offset;
  if (!l.ended) {
    last_unended = l.number;
    last_unended_text = !s.blank;
    last_unended_data = !header && (data_end < 0 || l.offset < data_end);
  }
  if (header && f.stated < 0) {
    f.stated = stated_points(vis);
    if (f.stated >= 0) f.stated_line = l.number;
  }
  if (!reads.heading_found) {
    search_heading(l, vis, s);
  } else if (header) {
    if (reads.data_offset > end) return;
    f.heading_line = l.number;
    f.heading_text = std::string(vis.substr(0, 80));
    std::replace(f.heading_text.begin(), f.heading_text.end(), '\t', ' ');  // between names
  } else if (data_end >= 0 && l.offset >= data_end) {
    if (!s.blank && ++beyond == 1) first_beyond = l.number;
  } else if (!s.blank) {  // a blank line is passed over by the reads, or the locator names it
    take_data(l, vis, s, point);
  }
}

// The header search reads to the end: where the user's heading may be.
void ExportPass::search_heading(const Line& l, std::string_view vis, const ValueShape& s) {
  const std::string word = first_word(vis);
  const char q = word.empty() ? 0 : word[0];  // a quote not closed on its line reads on past it
  if (quote == 0 && (q == '\'' || q == '"') && vis.find(q, vis.find(q) + 1) == vis.npos) {
    quote = l.number;
  }
  if (capital_heading == 0 && strncasecmp(word.c_str(), "number", 6) == 0) {
    capital_heading = l.number;
    capital_word = word;
  }
  if (real_heading == 0 && s.numbers >= 2 && s.text_column == 0) {
    real_heading = last_text_line;
  } else if (real_heading == 0 && !s.blank && s.numbers == 0) {
    last_text_line = l.number;
    real_heading_text = std::string(vis.substr(0, 80));
  }
}

void ExportPass::take_data(const Line& l, std::string_view vis, const ValueShape& s,
                           int32_t point) {
  if (!after_heading_checked && s.numbers == 0) {
    report.warning({name, l.number, 0},
                   "this line follows the line " + prog + " takes for the column heading (line " +
                       std::to_string(f.heading_line) + ": " + shown(f.heading_text, 60) +
                       ") but holds no number: the heading is the first line whose first word "
                       "begins with 'number'; if the real column heading comes later, reword "
                       "that header line");
  }
  after_heading_checked = true;
  if (s.numbers == 0) {
    if (d.count > 0 && d.text_after == 0) d.text_after = l.number;
    return;
  }
  if (d.text_after > 0) return;
  if (++d.count == point) f.point_line = l.number;
  if (s.separator != 0) {
    if (++d.parted == 1) {
      report.error({name, l.number, s.junk_column},
                   parted_by(s) + " (a blank, a tab or a comma is): it reads " +
                       plural(s.numbers, "value", "values") + " where the line holds " +
                       std::to_string(s.separated) +
                       "; export with blanks or tabs between the values and a decimal point");
    }
    return;
  }
  if (s.numbers < want && ++d.short_lines == 1) {
    d.first_short = l.number;
    d.first_short_values = s.numbers;
    d.short_crlf = l.crlf;
  }
  if (s.numbers == 2) ++d.two;
  if (s.numbers > want && s.comma_column == 0 && ++d.long_lines == 1) d.first_long = l.number;
  if (s.junk_column > 0 && ++d.junk == 1) {
    const RunOn r = run_on(vis, s);
    report.error({name, l.number, s.junk_column},
                 shown(r.item) + " is no plain number: the conversion reads only the leading " +
                     r.number +
                     " and the rest is no number (a special value such as 1.#INF, or a unit); "
                     "write every value as a plain number");
  }
  if (s.comma_column > 0 && ++d.commas == 1) {
    report.error({name, l.number, s.comma_column},
                 "a decimal comma: the conversion takes the comma for a separator between two "
                 "values, so " +
                     shown(item_at(vis, s.comma_column), 40) +
                     " becomes two numbers; export with a decimal point");
  }
}

// A read error, the marks of a UTF-16 or UTF-8 file, mixed line ends, the heading taken.
void ExportPass::report_file(const LineScan& scan) {
  const std::string scan_error = scan.error() != 0 ? std::strerror(scan.error()) : "";
  const std::string& met = reads.stop.first_line;
  if (!scan_error.empty() && !met.ends_with(scan_error)) {
    report.error({name, f.lines + 1, 0}, "cannot be read by the check: " + scan_error);
  }

  if (begins_utf16_mark(scan.start())) {
    report.error({name, 1, 1},
                 "the file begins with a UTF-16 byte-order mark: it is UTF-16 text, two bytes a "
                 "character, which the conversion cannot read; save the export as plain text "
                 "(ANSI or UTF-8)");
  } else if (scan.first_zero() >= 0) {
    // A zero byte alone stops nothing; where it makes a read fail, the result says so.
    report.warning({name, 0, 0},
                   "the file holds zero bytes (the first at byte " +
                       std::to_string(scan.first_zero() + 1) +
                       "): it looks like UTF-16 text, which the conversion cannot read; save the "
                       "export as plain text (ANSI or UTF-8)");
  } else if (begins_utf8_mark(scan.start())) {
    report.warning({name, 1, 1},
                   "the file begins with a UTF-8 byte-order mark (bytes EF BB BF): the conversion "
                   "reads them as the first characters of line 1; save the export without it");
  }
  if (ends[1] > 0 && ends[0] > 0) {
    report.warning({name, ends[1] > ends[0] ? first_end[0] : first_end[1], 0},
                   "mixed line ends: " + plural(ends[1], "line ends", "lines end") + " in CR LF, " +
                       std::to_string(ends[0]) +
                       " in LF only, the first of the fewer kind here; a carriage return is part "
                       "of the last value of its line, so give the file one kind of line end");
  }
  if (reads.heading_found) {
    report.note({name, f.heading_line, 0}, "the column heading " + prog +
                                               " takes: " + shown(f.heading_text, 60) +
                                               "; the data lines follow it");
  }
}

void ExportPass::report_data() {
  const std::string want_text = std::to_string(want);
  if (d.count > 0 && d.two == d.count && want == 3) {
    f.two_value_lines = d.count;
    report.error(
        {name, d.first_short, 0},
        "every data line holds two values, as current DigiElch text exports of E and I do, and " +
            prog + " reads three per point (potential, time, current)" +
            (d.short_crlf ? ": with CR LF line ends the conversion fails at the first of them"
                          : ": the values shift from line to line, and every point after "
                            "this line is misaligned") +
            "; --columns E,I reads this export");
  } else if (d.short_lines > 0 && !d.short_crlf) {
    report.error({name, d.first_short, 0},
                 "this data line holds " + plural(d.first_short_values, "value", "values") +
                     " where " + prog + " reads " + want_text +
                     ": with LF line ends the missing values are taken from the next line, so the "
                     "points after it are misaligned (" +
                     plural(d.short_lines, "short line", "short lines") +
                     " in all); give every data line " + want_text + " values");
  }
  if (d.long_lines > 0) {
    report.note({name, d.first_long, 0},
                plural(d.long_lines, "data line holds", "data lines hold") + " more than " +
                    want_text + " values, the first here: " + prog + " reads the first " +
                    want_text + " and ignores the rest of the line");
  }
  const std::pair<int64_t, const char*> more[] = {
      {d.junk, " data lines hold a number followed by other bytes; the first is shown"},
      {d.commas, " data lines hold a decimal comma; the first is shown"}};
  for (const auto& [n, what] : more) {
    if (n > 1) report.note({name, 0, 0}, std::to_string(n) + what);
  }
  f.misaligned = d.short_lines > 0 || d.commas > 0 || d.parted > 0;
  if (last_unended > 0 && last_unended_text && last_unended_data && !reads.stop) {
    const bool counted = !reads.partial;
    report.add(counted ? Severity::note : Severity::warning, {name, last_unended, 0},
               counted ? "the last line has no line end; it is counted, since it ends right "
                         "after the last value read"
                       : "the last line has no line end: the conversion does not count or "
                         "convert it (the read past its last value meets the end of the file); "
                         "end the file with a line end");
  }
  if (d.text_after > 0 && !reads.stop) {
    report.note({name, d.text_after, 0},
                "text after the data lines; the conversion does not read it");
  }
  if (reads.at_limit && beyond > 0) {
    report.add(reading.delt_from_count ? Severity::error : Severity::warning,
               {name, first_beyond, 0},
               "the export holds more than " + std::to_string(kMaxPoints) +
                   " data lines: only the first " + std::to_string(kMaxPoints) +
                   " are converted, and this line and the " + std::to_string(beyond - 1) +
                   " after it are not read" +
                   (reading.delt_from_count
                        ? "; delt is derived as if those were the whole sweep, so every time is "
                          "wrong; split the export or convert fewer points"
                        : ""));
  }
}

// The failure, where it happens.
void ExportPass::report_stop() {
  if (!reads.stop) {
    if (reads.converted < reads.npts) {
      report.warning({name, 0, 0},
                     prog + " reports " + std::to_string(reads.npts) + " points but writes only " +
                         std::to_string(reads.converted) +
                         ": its conversion reads three values per point where its count reads two");
    }
    return;
  }
  std::string text = "the conversion stops here with \"" + reads.stop.first_line + "\"";
  Place place{name, 0, 0};
  if (reads.header_stop && reads.stop.first_line.find("end of file") != std::string::npos) {
    const bool quoted = quote > 0 && (real_heading == 0 || quote < real_heading);
    place.line = quoted ? quote : f.lines;
    text += quoted
                ? ": this line begins with a quote that it does not close, so the search for the "
                  "column heading reads the lines after it, the heading too, as one quoted text "
                  "to the end of the export; remove the quote"
                : ": no line's first word begins with 'number', so the search for the column "
                  "heading reads to the end of the export";
    if (!quoted && real_heading > 0 && real_heading != capital_heading) {
      place.line = real_heading;
      text += "; this line, before the first line of numbers, looks like the column heading: " +
              shown(real_heading_text, 60) +
              "; the heading must begin with the word 'number' (write 'number' and a blank "
              "before it)";
    } else if (!quoted && capital_heading > 0) {
      place.line = capital_heading;
      text += "; line " + std::to_string(capital_heading) + " begins with " + shown(capital_word) +
              ", and the heading must begin with a lower-case 'number'";
    } else if (!quoted) {
      text += "; is this an export of the right kind?";
    }
  } else if (locate.done) {
    place.line = locate.line;
    place.column = locate.column;
    if (locate.empty_crlf && locate.line >= last_nonblank) {
      text +=
          ": an empty last line of a CR LF export, which the point count reads as a "
          "value; delete the empty line at the end of the file";
    } else if (!locate.why.empty()) {
      text += ": " + locate.why;
    }
    if (reads.again_offset >= 0 && reads.again_offset < reads.data_offset) {
      text +=
          "; the second pass's header search ends before the column heading: a line whose first "
          "item is null (it begins with a comma or a slash) leaves the text read before it, the "
          "heading of the first pass, so the heading is read as data; begin that line with a word";
    }
    if (d.text_after > 0 && locate.line >= d.text_after) {
      text +=
          "; this is text after the data lines: the export must end right after the line "
          "end of its last data line";
    }
  } else if (f.lines > 0 && reads.stop.first_line.rfind("open:", 0) != 0) {
    place.line = f.lines;
  }
  if (reads.stop_after_output) text += "; the output is left holding only the lines written before";
  f.stop_place = place;
  report.error(place, text);
}

}  // namespace

ExportLines look_at_export(const std::string& name, const ExportReading& reading,
                           const ExportReads& reads, int32_t point, Report& report) {
  ExportPass pass{name, reading, reads, report};
  LineScan scan(name);
  Line l;
  while (scan.next(l)) pass.take(l, point);
  pass.report_file(scan);
  pass.report_data();
  pass.report_stop();
  return pass.f;
}

}  // namespace convkit
