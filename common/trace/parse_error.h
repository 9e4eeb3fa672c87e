// The refusal of a trace file: where, what was found there and what was expected instead.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "common/recordio/shown_text.h"

namespace convkit {

class ParseError : public std::runtime_error {
 public:
  /// A refusal at line and column (from 1) of file: found is the text there (empty at the end
  /// of a line or of the file), expected what a trace file holds instead.
  ParseError(std::string file, int64_t line, int64_t column, std::string found,
             std::string expected);

  const std::string& file() const { return file_; }
  int64_t line() const { return line_; }
  int64_t column() const { return column_; }
  const std::string& found() const { return found_; }
  const std::string& expected() const { return expected_; }

 private:
  std::string file_;
  int64_t line_;
  int64_t column_;
  std::string found_;
  std::string expected_;
};

/// A text as a user should read it: quoted, cut after 40 bytes, bytes that do not show as \xNN.
inline std::string quoted_text(std::string_view text) { return shown(text, 40); }

}  // namespace convkit
