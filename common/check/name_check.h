// The names a conversion cuts from its control file, against what the user sees on the line.
#pragma once

#include <string>
#include <string_view>

#include "common/check/report.h"

namespace convkit {

/// How a program takes a name line.
enum class NameRule {
  first_item,  // vantor, pressik: the line's first free-form item
  whole_line,  // colbrand: the whole line, 72 characters
};

/// One name line of a control file.
struct NameLine {
  std::string control;  // the control file's name
  std::string_view program;
  int64_t line = 0;       // its number
  std::string text;       // its bytes, line feed removed
  bool crlf = false;      // ended by CR LF
  std::string_view what;  // "export" or "output"
};

/// Adds a finding when the name the conversion opens (cut) differs from the line's visible
/// text, saying why and how to write the line; an error when the name is empty.
void check_name(Report& report, const NameLine& line, std::string_view cut, NameRule rule);

}  // namespace convkit
