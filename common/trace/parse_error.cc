#include "common/trace/parse_error.h"

namespace convkit {
namespace {

// The refusal as a --check finding: "FILE:LINE:COLUMN: error: found X, expected Y".
std::string refusal_text(const std::string& file, int64_t line, int64_t column,
                         const std::string& found, const std::string& expected) {
  std::string text = file + ":" + std::to_string(line) + ":" + std::to_string(column) +
                     ": error: found " + found + ", expected " + expected;
  return text;
}

}  // namespace

ParseError::ParseError(std::string file, int64_t line, int64_t column, std::string found,
                       std::string expected)
    : std::runtime_error(refusal_text(file, line, column, found, expected)),
      file_(std::move(file)),
      line_(line),
      column_(column),
      found_(std::move(found)),
      expected_(std::move(expected)) {}

}  // namespace convkit
