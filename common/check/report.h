// What a check prints: its findings, one a line in the form editors jump to
// ("FILE:LINE:COLUMN: error: TEXT"), then a summary; and the exit status they make.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/recordio/shown_text.h"

namespace convkit {

enum class Severity { note, warning, error };

/// A place in a file: line and column count from 1; 0 leaves them out.
struct Place {
  std::string file;
  int64_t line = 0;
  int64_t column = 0;
};

/// The findings of one check and its summary lines, printed at the end: the findings file by
/// file in the order the files were first named, each file's by line.
class Report {
 public:
  /// Puts a file's findings after those of the files named before it.
  void name_file(const std::string& file);
  /// One finding at place.
  void add(Severity severity, const Place& place, std::string_view text);
  void error(const Place& place, std::string_view text) { add(Severity::error, place, text); }
  void warning(const Place& place, std::string_view text) { add(Severity::warning, place, text); }
  void note(const Place& place, std::string_view text) { add(Severity::note, place, text); }
  /// One summary line: a label and its value. A "result" that the conversion fails makes the
  /// exit status 2.
  void summary(std::string_view label, std::string_view value);
  /// Prints the findings, then the summary, on standard output.
  void print(std::string_view program) const;
  /// 0 without warnings or errors, 1 with warnings only, 2 with an error or a failing result.
  int exit_status() const;

 private:
  struct Finding {
    size_t file;  // rank of its file
    int64_t line;
    std::string text;
  };
  std::vector<std::string> files_;
  std::vector<Finding> findings_;
  std::string summary_;
  int warnings_ = 0;
  int errors_ = 0;
  bool fails_ = false;
};

/// A number as the conversion's console shows it, without the leading blanks.
std::string number_text(double value);

}  // namespace convkit
