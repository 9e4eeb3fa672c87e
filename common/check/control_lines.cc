#include "common/check/control_lines.h"

#include "common/check/value_shape.h"
#include "common/recordio/line_scan.h"

namespace convkit {

const ControlLine* ControlFile::line_at(int64_t at) const {
  for (size_t i = 0; i < lines.size(); ++i) {
    const ControlLine& l = lines[i];
    if (at > l.offset + static_cast<int64_t>(l.text.size())) continue;
    // A read passes over empty LF lines to its item.
    for (size_t k = i; k < lines.size(); ++k) {
      const ControlLine& c = lines[k];
      bool blank = c.text.find_first_not_of(" \t") == std::string::npos;
      if (!blank || c.crlf || !c.ended) return &c;
    }
    return &l;
  }
  return nullptr;
}

ControlFile read_control_lines(const std::string& name, int max_lines, Report& report) {
  ControlFile f;
  f.name = name;
  LineScan scan(name);
  Line l;
  while (scan.next(l)) {
    if (l.ended) ++(l.crlf ? f.crlf_lines : f.lf_lines);
    if (static_cast<int>(f.lines.size()) < max_lines) {
      f.lines.push_back({l.number, l.offset, std::string(l.text), l.ended, l.crlf});
    }
  }
  if (begins_utf16_mark(scan.start())) {
    report.add(Severity::error, {name, 1, 1},
               "the file begins with a UTF-16 byte-order mark: it is UTF-16 text, which the "
               "conversion cannot read; save it as plain text with CR LF line ends");
  } else if (scan.first_zero() >= 0) {
    // A zero byte alone stops nothing: the conversion reads it as a character of its item.
    report.add(Severity::warning, {name, 0, 0},
               "the file holds zero bytes: is it UTF-16 text, which the conversion cannot read? "
               "Save it as plain text with CR LF line ends");
  }
  if (begins_utf8_mark(scan.start())) {
    report.add(Severity::warning, {name, 1, 1},
               "the file begins with a UTF-8 byte-order mark (bytes EF BB BF), invisible in most "
               "editors: the conversion reads it as the first characters of line 1, so the "
               "export's name begins with it; save " +
                   name + " without it");
  }
  if (f.lf_lines > 0 && f.crlf_lines > 0) {
    report.add(Severity::warning, {name, 0, 0},
               "mixed line ends: " + std::to_string(f.crlf_lines) + " lines end in CR LF, " +
                   std::to_string(f.lf_lines) + " in LF only; give every line CR LF");
  }
  return f;
}

void check_number_line(Report& report, const ControlFile& file, const ControlLine& line,
                       const std::string& what) {
  std::string_view text = line.text;
  if (line.crlf) text.remove_suffix(1);
  const ValueShape s = value_shape(text);
  const size_t first = text.find_first_not_of(" \t");
  if (s.comma_column > 0 && s.numbers >= 1) {
    const std::string read(text.substr(first, number_length(text.substr(first))));
    report.add(Severity::warning, {file.name, line.number, s.comma_column},
               "a decimal comma: the conversion takes the comma for a separator and reads " + what +
                   " as " + read + "; write a decimal point");
  } else if (s.junk_column > 0 && s.number_column == static_cast<int>(first + 1)) {
    std::string number(text.substr(static_cast<size_t>(s.number_column - 1),
                                   static_cast<size_t>(s.junk_column - s.number_column)));
    report.add(Severity::warning, {file.name, line.number, s.junk_column},
               "the number runs on into other bytes: the conversion reads only the leading " +
                   number + " as " + what + "; put a blank between a value and a comment or unit");
  }
}

}  // namespace convkit
