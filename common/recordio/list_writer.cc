// The free-form console write. Texts are joined to the item before them without a separator,
// so callers put separating blanks into their texts (" data points").
#include "common/recordio/list_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

constexpr size_t kLineLimit = 80;

std::string integer_digits(int32_t v) {
  // Through a 64-bit value, so that the most negative integer has a magnitude.
  long long magnitude = v < 0 ? -static_cast<long long>(v) : v;
  return std::to_string(magnitude);
}

}  // namespace

std::string list_real_text(double x) {
  std::string text = " ";
  text += x < 0.0 ? '-' : ' ';
  if (x == 0.0) {
    text += "0.";
    return text;
  }
  // The general form with nine digits, as "%.9G" writes it, in upper case, with no locale.
  char digits[64];
  auto result =
      std::to_chars(digits, digits + sizeof digits, std::fabs(x), std::chars_format::general, 9);
  std::string number(digits, result.ptr);
  for (char& c : number) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  char first = number.empty() ? ' ' : number[0];
  if (first != 'N' && first != 'I' && number.find('.') == std::string::npos) {
    size_t e = number.find('E');
    if (e == std::string::npos) {
      number += '.';
    } else {
      number = number.substr(0, e) + "." + number.substr(e);
    }
  }
  text += number;
  return text;
}

std::string list_lines(std::span<const WriteItem> items) {
  std::string out;
  std::string line;
  auto end_line = [&] {
    out += line;
    out += '\n';
    line.clear();
  };
  for (const WriteItem& item : items) {
    switch (item.kind) {
      case WriteItem::text: {
        size_t length = static_cast<size_t>(item.length);
        if (!line.empty() && line.size() + length >= kLineLimit) end_line();
        if (line.empty()) line += ' ';
        line.append(item.chars, length);
        break;
      }
      case WriteItem::integer: {
        std::string digits = integer_digits(item.i);
        if (!line.empty() && line.size() + digits.size() >= kLineLimit) end_line();
        line += ' ';
        if (item.i < 0) line += '-';
        line += digits;
        break;
      }
      case WriteItem::real8:
      case WriteItem::real4: {
        std::string text = list_real_text(item.d);
        if (!line.empty() && line.size() + text.size() >= kLineLimit) end_line();
        line += text;
        break;
      }
    }
  }
  end_line();
  return out;
}

void write_list(std::span<const WriteItem> items) {
  begin_statement(kConsoleUnit, "list io", true);
  Unit& u = unit(kConsoleUnit);
  begin_writing(u, "list output start");
  std::string lines = list_lines(items);
  // One record per line: each ends, and is committed, on its own.
  size_t start = 0;
  while (start < lines.size()) {
    size_t end = lines.find('\n', start);
    size_t length = end - start;
    char* at = reserve_bytes(u, length + 1);
    std::memcpy(at, lines.data() + start, length);
    extend_record(u, at + length);
    end_record(u);
    start = end + 1;
  }
  end_statement();
}

}  // namespace convkit
