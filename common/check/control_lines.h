// A control file's lines as the check sees them: the first lines kept for its messages, the
// names the conversion cuts from them against what the user sees, what the number lines hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/check/report.h"

namespace convkit {

/// One kept line.
struct ControlLine {
  int64_t number = 0;
  int64_t offset = 0;
  std::string text;  // without the line feed, at most a few kilobytes
  bool ended = false;
  bool crlf = false;
};

/// The first lines of a control file, with what the file as a whole shows.
struct ControlFile {
  std::string name;
  std::vector<ControlLine> lines;
  int64_t crlf_lines = 0;
  int64_t lf_lines = 0;

  /// The line holding offset at, or the first non-blank after it; nullptr past the kept lines.
  const ControlLine* line_at(int64_t at) const;
};

/// The first max_lines lines of name, with findings on byte-order marks, UTF-16 and line ends.
ControlFile read_control_lines(const std::string& name, int max_lines, Report& report);

/// The findings on a value's line: a decimal comma, bytes after the number, a unit not unit.
void check_number_line(Report& report, const ControlFile& file, const ControlLine& line,
                       const std::string& what, std::string_view unit = "");

/// How a program takes a name line.
enum class NameRule {
  first_item,  // vantor, pressik: the line's first free-form item
  whole_line,  // colbrand: the whole line, 72 characters
};

/// A finding when the name opened (cut) differs from its line's visible text: why, and the fix.
void check_name(Report& report, const ControlFile& file, const ControlLine& line,
                std::string_view program, std::string_view what, std::string_view cut,
                NameRule rule);

}  // namespace convkit
