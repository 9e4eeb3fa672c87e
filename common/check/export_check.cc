// An export is read first by the record layer, exactly as the conversion reads it - the same
// statements with the same items on the same unit - so that the heading, the count and the
// failure are the conversion's own. Those reads say which statement a failure comes in; one
// more run of the same reads up to that statement gives its byte offset. Then one pass of the
// check's own over the lines turns offsets into lines and columns and looks at what each data
// line holds.
#include "common/check/export_check.h"

#include <cmath>
#include <limits>
#include <string>

#include "common/check/line_scan.h"
#include "common/check/value_shape.h"
#include "common/convert/export_header.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/free_reader.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

// One data statement of count numbers, with the end-of-file branch of the data loops.
inline ReadOutcome read_record(int unit, int count, double* v) {
  if (count == 2) return read_free(unit, {real_item(v[0]), real_item(v[1])}, true);
  return read_free(unit, {real_item(v[0]), real_item(v[1]), real_item(v[2])}, true);
}

struct Pass {
  int32_t done = 0;       // complete statements
  bool limit = false;     // stopped by the point limit
  bool partial = false;   // the statement that met the end had stored a value
  off_t end_offset = -1;  // after the last statement, when stopped by the limit
  Stop stop;
};

// Reads the data statements as a conversion's loop does, at most max; watch sees each point.
template <class Watch>
Pass data_pass(int unit, int count, int32_t max, Watch&& watch) {
  Pass pass;
  double v[3] = {0.0, 0.0, 0.0};
  pass.stop = attempt([&] {
    int32_t i = 1;
    for (; i <= max; ++i) {
      v[0] = std::numeric_limits<double>::quiet_NaN();
      if (read_record(unit, count, v) == ReadOutcome::end_of_file) {
        pass.partial = !std::isnan(v[0]);
        break;
      }
      pass.done = i;
      watch(v);
    }
    if (i > max) {
      pass.limit = true;
      pass.end_offset = unit_offset(unit);
    }
  });
  return pass;
}

std::string quoted_text(std::string_view text, size_t most = 60) {
  std::string t(text.substr(0, most));
  if (text.size() > most) t += "...";
  return shown(t);
}

std::string plural(int64_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string first_word(std::string_view visible) {
  size_t a = visible.find_first_not_of(" \t");
  if (a == std::string_view::npos) return "";
  size_t b = visible.find_first_of(" \t,/", a);
  return std::string(visible.substr(a, b == std::string_view::npos ? b : b - a));
}

// The blank-separated item around a column.
std::string item_at(std::string_view text, int column) {
  size_t at = static_cast<size_t>(column - 1);
  size_t a = text.find_last_of(" \t", at);
  a = a == std::string_view::npos ? 0 : a + 1;
  size_t b = text.find_first_of(" \t", at);
  return std::string(text.substr(a, b == std::string_view::npos ? b : b - a));
}

bool begins_with_number_any_case(std::string_view word) {
  static const char kWord[] = "number";
  if (word.size() < 6) return false;
  for (size_t i = 0; i < 6; ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kWord[i]) return false;
  }
  return true;
}

// Where in the lines a failing statement meets its failure, found from the statement's first
// byte by the reads' own rule: blank LF lines are passed over, values are taken until count
// are read, and a carriage return, a text or a byte after a number stops the read.
struct Locator {
  bool active = false;
  bool done = false;
  int need = 0;
  int64_t line = 0, column = 0;
  std::string why;

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
    if (s.numbers < need && s.junk_column > 0) {
      std::string item(rest.substr(static_cast<size_t>(s.number_column - 1),
                                   static_cast<size_t>(s.junk_end - s.number_column)));
      std::string number(rest.substr(static_cast<size_t>(s.number_column - 1),
                                     static_cast<size_t>(s.junk_column - s.number_column)));
      at(s.junk_column, shown(item) + " is read as the number " + number +
                            ", and the bytes after it as the next value, which is no number");
      return;
    }
    if (s.numbers < need && s.text_column > 0) {
      std::string word = first_word(rest.substr(static_cast<size_t>(s.text_column - 1)));
      at(s.text_column, quoted_text(word, 40) + " stands where a number is due");
      return;
    }
    if (s.numbers < need && l.crlf) {
      std::string reason =
          s.blank ? std::string("an empty line among the data of a CR LF export")
                  : "this line holds " + std::to_string(s.numbers) +
                        (s.numbers == 1 ? " value" : " values") + " where " + std::to_string(need) +
                        " are due, and with CR LF line ends its carriage return stands "
                        "where the next value is looked for";
      at(static_cast<int64_t>(text.size() - skip) + 1, reason);
      return;
    }
    if (s.numbers >= need) {
      at(1, "");
      return;
    }
    need -= s.numbers;
    if (!l.ended) at(static_cast<int64_t>(text.size() - skip) + 1, "");
  }
};

}  // namespace

ExportFacts check_export(const std::string& name, const char* chars, int length,
                         const ExportReading& reading, Report& report) {
  ExportFacts f;
  report.name_file(name);
  const int unit = reading.unit;
  char line[kLineLength];
  text_assign(line, kLineLength, "", 0);
  off_t data_offset = -1;

  // The header search and the point count, the conversion's first reads.
  f.stop = attempt([&] {
    open_unit(unit, chars, length);
    rewind_unit(unit);
    f.nhead = skip_to_column_heading(line);
    f.heading_found = true;
    data_offset = unit_offset(unit);
  });
  bool header_stop = static_cast<bool>(f.stop);
  int failing_count = 0;  // numbers per statement of the pass that failed
  int32_t failing_statement = 0;
  bool first_seen = false;
  auto see = [&](double e, double i) {
    if (!first_seen) {
      f.first[0] = e;
      f.first[1] = i;
      f.emin = f.emax = e;
      first_seen = true;
    }
    f.last[0] = e;
    f.last[1] = i;
    if (e < f.emin) f.emin = e;
    if (e > f.emax) f.emax = e;
  };
  Pass count;
  bool rereads = reading.count_values != reading.convert_values;
  if (!f.stop) {
    const int current = reading.count_values - 1;  // the current is the last value read
    count = data_pass(unit, reading.count_values, kMaxPoints, [&](const double* v) {
      if (rereads) {
        see(v[0], 0.0);
      } else {
        see(v[0], -v[current]);
      }
    });
    f.npts = count.done;
    f.converted = count.done;
    f.more_than_limit = count.limit;
    if (count.stop) {
      f.stop = count.stop;
      failing_count = reading.count_values;
      failing_statement = count.done + 1;
    }
  }
  Pass convert;
  if (!f.stop && rereads) {
    // The conversion's own reads: after the rewind the header is searched again, and every
    // record gives convert_values numbers.
    first_seen = false;
    Stop again = attempt([&] {
      rewind_unit(unit);
      skip_to_column_heading(line);
    });
    if (again) {
      f.stop = again;
    } else {
      convert = data_pass(unit, reading.convert_values, f.npts,
                          [&](const double* v) { see(v[0], -v[2]); });
      f.converted = convert.done;
      if (convert.stop) {
        f.stop = convert.stop;
        f.stop_after_output = true;
        failing_count = reading.convert_values;
        failing_statement = convert.done + 1;
      }
    }
  }
  if (f.stop && reading.output_opened_first) f.stop_after_output = true;
  attempt([&] { close_unit(unit); });

  // The failing statement's first byte: the same reads again, up to it.
  off_t stop_offset = -1;
  if (failing_statement > 0) {
    attempt([&] {
      open_unit(unit, chars, length);
      rewind_unit(unit);
      skip_to_column_heading(line);
      double v[3];
      for (int32_t i = 1; i < failing_statement; ++i) read_record(unit, failing_count, v);
      stop_offset = unit_offset(unit);
      close_unit(unit);
    });
  }

  // The check's own pass over the lines.
  LineScan scan(name);
  Line l;
  const int want = reading.convert_values;
  off_t data_end = count.limit ? count.end_offset : -1;
  Locator locate;
  locate.need = failing_count;
  int64_t crlf_lines = 0, lf_lines = 0, first_lf_line = 0, first_crlf_line = 0;
  int64_t data_lines = 0, short_lines = 0, long_lines = 0, two_lines = 0, junk_lines = 0,
          comma_lines = 0, beyond_lines = 0;
  int64_t first_short = 0, first_long = 0, first_beyond = 0;
  int first_short_values = 0;
  bool short_crlf = false;
  int64_t text_after = 0;
  bool after_heading_checked = false;
  int64_t capital_heading = 0;
  std::string capital_word;
  int64_t last_unended = 0;  // the last line, when no line feed ends it
  bool last_unended_text = false, last_unended_data = false;
  while (scan.next(l)) {
    f.lines = l.number;
    if (l.ended) {
      if (l.crlf) {
        if (++crlf_lines == 1) first_crlf_line = l.number;
      } else if (++lf_lines == 1) {
        first_lf_line = l.number;
      }
    }
    int64_t end = l.offset + l.length + (l.ended ? 1 : 0);
    if (locate.active && !locate.done) locate.feed(l, l.offset);
    if (stop_offset >= 0 && !locate.active && stop_offset < end + (l.ended ? 0 : 1)) {
      locate.active = true;
      locate.feed(l, stop_offset);
    }
    std::string_view vis = l.visible();
    if (!f.heading_found) {
      if (capital_heading == 0) {
        std::string word = first_word(vis);
        if (begins_with_number_any_case(word)) {
          capital_heading = l.number;
          capital_word = word;
        }
      }
    } else if (l.offset < data_offset) {
      if (data_offset <= end) {
        f.heading_line = l.number;
        f.heading_text = std::string(vis.substr(0, 80));
        for (char& ch : f.heading_text) {
          if (ch == '\t') ch = ' ';  // tabs separate the columns' names
        }
      }
    } else if (data_end < 0 || l.offset < data_end) {
      ValueShape s = value_shape(vis);
      if (s.blank && !l.crlf) continue;  // passed over by the reads
      if (!after_heading_checked) {
        after_heading_checked = true;
        if (s.numbers == 0 && !s.blank) {
          report.add(Severity::warning, {name, l.number, 0},
                     "this line follows the line " + std::string(reading.program) +
                         " takes for the column heading (line " + std::to_string(f.heading_line) +
                         ": " + quoted_text(f.heading_text) +
                         ") but holds no number: the heading is the first line whose first word "
                         "begins with 'number'; if the real column heading comes later, reword "
                         "that header line");
        }
      }
      if (s.numbers == 0 && !s.blank) {
        if (data_lines > 0 && text_after == 0) text_after = l.number;
        continue;
      }
      if (text_after > 0) continue;
      ++data_lines;
      if (s.numbers < want) {
        if (++short_lines == 1) {
          first_short = l.number;
          first_short_values = s.numbers;
          short_crlf = l.crlf;
        }
      }
      if (s.numbers == 2) ++two_lines;
      if (s.numbers > want && s.comma_column == 0 && ++long_lines == 1) first_long = l.number;
      if (s.junk_column > 0 && ++junk_lines == 1) {
        std::string item(vis.substr(static_cast<size_t>(s.number_column - 1),
                                    static_cast<size_t>(s.junk_end - s.number_column)));
        std::string number(vis.substr(static_cast<size_t>(s.number_column - 1),
                                      static_cast<size_t>(s.junk_column - s.number_column)));
        report.add(Severity::warning, {name, l.number, s.junk_column},
                   shown(item) + " is no plain number: the conversion reads only the leading " +
                       number +
                       " and the rest is no number (a special value such as 1.#INF, or a unit); "
                       "write every value as a plain number");
      }
      if (s.comma_column > 0 && ++comma_lines == 1) {
        report.add(Severity::warning, {name, l.number, s.comma_column},
                   "a decimal comma: the conversion takes the comma for a separator between two "
                   "values, so " +
                       quoted_text(item_at(vis, s.comma_column), 40) +
                       " becomes two numbers; export with a decimal point");
      }
    } else if (!value_shape(vis).blank) {
      if (++beyond_lines == 1) first_beyond = l.number;
    }
    if (!l.ended) {
      last_unended = l.number;
      last_unended_text = !value_shape(vis).blank;
      last_unended_data =
          f.heading_found && l.offset >= data_offset && (data_end < 0 || l.offset < data_end);
    }
  }
  if (scan.error() != 0 && !scan.ok()) {
    report.add(Severity::error, {name, 0, 0}, "cannot be read by the check");
  }

  // The file as a whole.
  if (begins_utf16_mark(scan.start())) {
    report.add(Severity::error, {name, 1, 1},
               "the file begins with a UTF-16 byte-order mark: it is UTF-16 text, two bytes a "
               "character, which the conversion cannot read; save the export as plain text "
               "(ANSI or UTF-8)");
  } else if (scan.first_zero() >= 0) {
    report.add(Severity::error, {name, 0, 0},
               "the file holds zero bytes (the first at byte " +
                   std::to_string(scan.first_zero() + 1) +
                   "): it looks like UTF-16 text, which the conversion cannot read; save the "
                   "export as plain text (ANSI or UTF-8)");
  } else if (begins_utf8_mark(scan.start())) {
    report.add(Severity::warning, {name, 1, 1},
               "the file begins with a UTF-8 byte-order mark (bytes EF BB BF): the conversion "
               "reads them as the first characters of line 1; save the export without it");
  }
  if (crlf_lines > 0 && lf_lines > 0) {
    report.add(Severity::warning,
               {name, crlf_lines > lf_lines ? first_lf_line : first_crlf_line, 0},
               "mixed line ends: " + plural(crlf_lines, "line ends", "lines end") + " in CR LF, " +
                   std::to_string(lf_lines) +
                   " in LF only, the first of the fewer kind here; a carriage return is part "
                   "of the last value of its line, so give the file one kind of line end");
  }

  // The heading.
  if (f.heading_found) {
    report.add(Severity::note, {name, f.heading_line, 0},
               "the column heading " + std::string(reading.program) +
                   " takes: " + quoted_text(f.heading_text) + "; the data lines follow it");
  }

  // What the data lines hold.
  std::string prog(reading.program);
  std::string want_text = std::to_string(want);
  if (data_lines > 0 && two_lines == data_lines && want == 3) {
    std::string who = reading.two_value_reader.empty()
                          ? std::string()
                          : "; " + std::string(reading.two_value_reader) +
                                " is the program that reads two-value records";
    report.add(Severity::warning, {name, first_short, 0},
               "every data line holds two values, as current DigiElch text exports of E and I "
               "do, and " +
                   prog + " reads three per point (potential, time, current)" +
                   (short_crlf ? ": with CR LF line ends the conversion fails at the first of them"
                               : ": the values shift from line to line, and every point after "
                                 "this line is misaligned") +
                   who);
  } else if (short_lines > 0 && !short_crlf) {
    report.add(Severity::warning, {name, first_short, 0},
               "this data line holds " + plural(first_short_values, "value", "values") + " where " +
                   prog + " reads " + want_text +
                   ": with LF line ends the missing values are taken from the next line, so the "
                   "points after it are misaligned (" +
                   plural(short_lines, "short line", "short lines") +
                   " in all); give every data line " + want_text + " values");
  }
  if (long_lines > 0) {
    report.add(Severity::note, {name, first_long, 0},
               plural(long_lines, "data line holds", "data lines hold") + " more than " +
                   want_text + " values, the first here: " + prog + " reads the first " +
                   want_text + " and ignores the rest of the line");
  }
  if (junk_lines > 1) {
    report.add(Severity::note, {name, 0, 0},
               std::to_string(junk_lines) +
                   " data lines hold a number followed by other bytes; the first is shown");
  }
  if (comma_lines > 1) {
    report.add(
        Severity::note, {name, 0, 0},
        std::to_string(comma_lines) + " data lines hold a decimal comma; the first is shown");
  }
  f.misaligned = short_lines > 0 || comma_lines > 0;
  if (last_unended > 0 && last_unended_text && last_unended_data && !f.stop) {
    bool counted = !count.partial;
    report.add(counted ? Severity::note : Severity::warning, {name, last_unended, 0},
               counted ? "the last line has no line end; it is counted, since it ends right "
                         "after the last value read"
                       : "the last line has no line end: the conversion does not count or "
                         "convert it (the read past its last value meets the end of the file); "
                         "end the file with a line end");
  }
  if (text_after > 0 && !f.stop) {
    report.add(Severity::note, {name, text_after, 0},
               "text after the data lines; the conversion does not read it");
  }
  if (f.more_than_limit && beyond_lines > 0) {
    report.add(Severity::warning, {name, first_beyond, 0},
               "the export holds more than " + std::to_string(kMaxPoints) +
                   " data lines: only the first " + std::to_string(kMaxPoints) +
                   " are converted, and this line and the " + std::to_string(beyond_lines - 1) +
                   " after it are not read");
  }

  // The failure, where it happens.
  if (f.stop) {
    std::string text = "the conversion stops here with \"" + f.stop.first_line + "\"";
    Place place{name, 0, 0};
    if (header_stop && f.stop.first_line.find("end of file") != std::string::npos) {
      place.line = f.lines;
      text +=
          ": no line's first word begins with 'number', so the search for the column "
          "heading reads to the end of the export";
      if (capital_heading > 0) {
        text += "; line " + std::to_string(capital_heading) + " begins with " +
                shown(capital_word) + ", and the heading must begin with a lower-case 'number'";
      } else {
        text += "; is this an export of the right kind?";
      }
    } else if (locate.done) {
      place.line = locate.line;
      place.column = locate.column;
      if (!locate.why.empty()) text += ": " + locate.why;
      if (text_after > 0 && locate.line >= text_after) {
        text +=
            "; this is text after the data lines: the export must end right after the line "
            "end of its last data line";
      }
    } else if (f.lines > 0 && f.stop.first_line.rfind("open:", 0) != 0) {
      place.line = f.lines;
    }
    if (f.stop_after_output) {
      text += "; the output is left holding only the lines written before";
    }
    f.stop_place = place;
    report.add(Severity::error, place, text);
  } else if (f.converted < f.npts) {
    report.add(Severity::warning, {name, 0, 0},
               prog + " reports " + std::to_string(f.npts) + " points but writes only " +
                   std::to_string(f.converted) +
                   ": its conversion reads three values per point where its count reads two");
  }
  return f;
}

}  // namespace convkit
