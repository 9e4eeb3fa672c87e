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
      if (c.text.find_first_not_of(" \t") != std::string::npos || c.crlf || !c.ended) return &c;
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
    report.error({name, 1, 1},
                 "the file begins with a UTF-16 byte-order mark: it is UTF-16 text, which the "
                 "conversion cannot read; save it as plain text with CR LF line ends");
  } else if (scan.first_zero() >= 0) {
    // A zero byte alone stops nothing: the conversion reads it as a character of its item.
    report.warning(
        {name, 0, 0},
        "the file holds zero bytes: is it UTF-16 text, which the conversion cannot read? "
        "Save it as plain text with CR LF line ends");
  }
  if (begins_utf8_mark(scan.start())) {
    report.warning(
        {name, 1, 1},
        "the file begins with a UTF-8 byte-order mark (bytes EF BB BF), invisible in most "
        "editors: the conversion reads it as the first characters of line 1, so the "
        "export's name begins with it; save " +
            name + " without it");
  }
  if (f.lf_lines > 0 && f.crlf_lines > 0) {
    report.warning({name, 0, 0}, "mixed line ends: " + std::to_string(f.crlf_lines) +
                                     " lines end in CR LF, " + std::to_string(f.lf_lines) +
                                     " in LF only; give every line CR LF");
  }
  return f;
}

void check_number_line(Report& report, const ControlFile& file, const ControlLine& line,
                       const std::string& what, std::string_view unit) {
  std::string_view text = line.text;
  if (line.crlf) text.remove_suffix(1);
  const ValueShape s = value_shape(text);
  const size_t first = text.find_first_not_of(" \t");
  if (s.comma_column > 0 && s.numbers >= 1) {
    const std::string read(text.substr(first, number_length(text.substr(first))));
    // "10,0" is read as the 10 it means; "0,1" as 0.
    const std::string_view decimals = text.substr(static_cast<size_t>(s.comma_column));
    const bool same = decimals.substr(0, decimals.find_first_of(" \t")).find_first_not_of('0') ==
                      std::string_view::npos;
    report.add(same ? Severity::warning : Severity::error, {file.name, line.number, s.comma_column},
               "a decimal comma: the conversion takes the comma for a separator and reads " + what +
                   ", as " + read + "; write a decimal point");
  } else if (s.junk_column > 0 && s.number_column == static_cast<int>(first + 1)) {
    std::string number(text.substr(static_cast<size_t>(s.number_column - 1),
                                   static_cast<size_t>(s.junk_column - s.number_column)));
    report.warning({file.name, line.number, s.junk_column},
                   "the number runs on into other bytes: the conversion reads only the leading " +
                       number + " as " + what +
                       "; put a blank between a value and a comment or unit");
  }
  if (s.numbers < 1 || unit.empty()) return;
  // A unit after the value other than the one it is read in: "100 mV/s" is read as 100 V/s.
  std::string_view after = text.substr(first + number_length(text.substr(first)));
  const size_t w = after.find_first_not_of(" \t");
  after = w == std::string_view::npos ? "" : after.substr(w, after.find_first_of(" \t", w) - w);
  const std::string_view base = unit.substr(unit[0] == 'm' ? 1 : 0);
  if (after != unit && after.ends_with(base) && after.size() <= base.size() + 2) {
    report.error({file.name, line.number, 0},
                 "this line gives " + what + ", in " + std::string(after) +
                     ", and the conversion reads the number as " + std::string(unit) +
                     "; write the value in " + std::string(unit));
  }
}

// A name line is what its visible text should give: the text up to the CR of its CR LF end.
// Each way of writing it that makes the cut give something else is told apart, so that the
// user learns which habit to change.
void check_name(Report& report, const ControlFile& file, const ControlLine& l,
                std::string_view program, std::string_view what, std::string_view cut,
                NameRule rule) {
  std::string_view text = l.text;
  if (l.crlf && !text.empty() && text.back() == '\r') text.remove_suffix(1);
  const std::string_view visible = text.substr(0, text.find_last_not_of(" \t") + 1);
  std::string prog(program);
  std::string opens = prog + " opens " + shown(cut) + " as the " + std::string(what);
  Place at{file.name, l.number, 0};
  auto warn = [&](size_t column, const std::string& why) {
    at.column = static_cast<int64_t>(column + 1);
    report.warning(at, why);
  };
  for (size_t i = 0; i < cut.size(); ++i) {
    auto c = static_cast<unsigned char>(cut[i]);
    if (c < 32 || c == 127) {
      return warn(i, "the name holds a byte that does not show (" + shown(cut.substr(i, 1)) +
                         "): " + opens + "; retype the name");
    }
  }
  if (cut == visible) return;
  if (cut.empty()) {
    std::string why;
    if (visible.empty()) {
      why = "the line is empty";
    } else if (rule == NameRule::first_item && (visible[0] == ',' || visible[0] == '/')) {
      why = std::string("the line begins with a ") + (visible[0] == ',' ? "comma" : "slash") +
            ", which gives no name";
    } else if (rule == NameRule::whole_line && visible[0] == ' ') {
      why = "the line begins with a blank";
    } else {
      why = "the name has no end within the first 71 characters (a name holds at most 70)";
    }
    at.column = 1;
    report.error(at,
                 why + ": the " + std::string(what) +
                     "'s name is cut to nothing, and the conversion stops with \"open: null file "
                     "name\"; write the name at the start of the line, CR LF ended");
    return;
  }
  if (begins_utf8_mark(text)) {
    return warn(0,
                "the line begins with a UTF-8 byte-order mark (bytes EF BB BF), invisible in most "
                "editors: " +
                    opens + ", a name that begins with the mark; save " + file.name +
                    " without it");
  }
  if (rule == NameRule::first_item) {
    size_t first = text.find_first_not_of(" \t");
    if (first != std::string_view::npos && (text[first] == '\'' || text[first] == '"')) {
      // The documented way: one spare character inside the quotes, for the cut to drop.
      std::string_view inside = visible.substr(first + 1);
      if (!inside.empty() && inside.back() == text[first]) inside.remove_suffix(1);
      if (inside.size() == cut.size() + 1 && inside.substr(0, cut.size()) == cut &&
          inside.back() == '_') {
        return;
      }
      return warn(first,
                  "a quoted name has no carriage return inside its quotes, so its last "
                  "character is dropped: " +
                      opens + "; write one spare last character inside the quotes ('" +
                      std::string(visible.substr(
                          first + 1, visible.size() > first + 2 ? visible.size() - first - 2 : 0)) +
                      "_') or, without a slash, comma or blank in it, no quotes");
    }
    size_t stop = text.find_first_of(",/", first);
    size_t blank = text.find_first_of(" \t", first);
    if (stop != std::string_view::npos && (blank == std::string_view::npos || stop < blank)) {
      std::string item(text.substr(first, stop - first));
      return warn(stop, std::string("the name ends at this ") +
                            (text[stop] == ',' ? "comma" : "slash") + ": " + prog + " reads " +
                            shown(item) + " and drops its last character: " + opens +
                            "; quote a name with a slash or comma and give it one spare last "
                            "character inside the quotes: '" +
                            std::string(visible.substr(first)) + "_'");
    }
  }
  size_t blank = text.find_first_of(rule == NameRule::first_item ? " \t" : " ",
                                    rule == NameRule::first_item
                                        ? text.find_first_not_of(" \t")
                                        : (text.size() > 1 && text[1] == ' ' ? 2 : 0));
  if (blank != std::string_view::npos && blank < visible.size()) {
    return warn(blank,
                "the name ends at this blank, so it has no carriage return and loses its last "
                "character: " +
                    opens + "; put nothing after the name on its line, and no blank inside a name");
  }
  if (!l.crlf && cut.size() < visible.size() && visible.substr(0, cut.size()) == cut) {
    return warn(cut.size(),
                "this line ends in LF only, not CR LF: " + prog +
                    " drops a name's last character, which with CR LF ends is the carriage "
                    "return; here it is " +
                    shown(visible.substr(cut.size(), 1)) + ", and " + opens + "; give " +
                    file.name + " CR LF line ends (unix2dos " + file.name + ")");
  }
  warn(0, opens + ", not " + shown(visible) + " as the line shows");
}

}  // namespace convkit
