#include "common/trace/parse_error.h"

#include <cstdio>

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

std::string quoted_text(std::string_view text) {
  constexpr size_t kShown = 40;
  std::string out = "'";
  for (size_t i = 0; i < text.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x7f || c == '\\') {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (text.size() > kShown) out += "...";
  out += "'";
  return out;
}

}  // namespace convkit
