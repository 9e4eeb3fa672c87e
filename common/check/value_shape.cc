// A number ends at whatever byte cannot continue it, separator or not: that is what makes 1.#INF
// read as 1, and 0,5;0 as 0 and 5 with ";0" after it.
#include "common/check/value_shape.h"

#include <algorithm>
#include <string>

#include "common/recordio/free_reader.h"

namespace convkit {
namespace {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\n';
}
inline bool is_blank(char c) { return c == ' ' || c == '\t'; }

// How many numbers text holds when sep parts them and a comma is a decimal comma; 0 when a
// piece is no number.
int parted_numbers(std::string_view text, char sep) {
  int n = 0;
  for (size_t a = 0; a <= text.size(); ++a) {
    const size_t b = std::min(text.find(sep, a), text.size());
    std::string piece(text.substr(a, b - a));
    std::replace(piece.begin(), piece.end(), ',', '.');
    const size_t first = piece.find_first_not_of(" \t"), last = piece.find_last_not_of(" \t");
    if (first == std::string::npos) {
      if (b < text.size()) return 0;  // an empty piece between two separators
    } else if (number_length(std::string_view(piece).substr(first, last + 1 - first)) !=
               last + 1 - first) {
      return 0;
    } else {
      ++n;
    }
    a = b;
  }
  return n;
}

}  // namespace

size_t number_length(std::string_view text) {
  NumberText n = scan_number_text(text);
  return n.outcome == NumberOutcome::number ? n.length : 0;
}

ValueShape value_shape(std::string_view t) {
  ValueShape s;
  size_t i = 0, n = t.size();
  bool leading = true;  // still among the leading numbers
  for (;;) {
    while (i < n && is_blank(t[i])) ++i;
    if (i < n && s.items > 0 && t[i] == ',') {  // one comma after a value separates it
      ++i;
      while (i < n && is_blank(t[i])) ++i;
    }
    if (i >= n) break;
    if (t[i] == '/' || t[i] == ',') {  // a slash ends a read; a second comma is a null value
      ++i;
      continue;
    }
    size_t start = i;
    ++s.items;
    NumberText number = scan_number_text(t.substr(i));
    if (number.outcome != NumberOutcome::number) {
      if (leading && s.text_column == 0) s.text_column = static_cast<int>(start + 1);
      leading = false;
      i = std::min(t.find_first_of(" \t,/\n", i + 1), n);  // to the next separator
      continue;
    }
    const int values = number.repeat > 0 ? static_cast<int>(number.repeat) : 1;
    i += number.length;
    if (i < n && !is_separator(t[i])) {
      // A number and then bytes that continue the item: only the number is read.
      const bool first = s.junk_column == 0;
      if (first) {
        s.junk_column = static_cast<int>(i + 1);
        s.number_column = static_cast<int>(start + 1);
        const char junk = t[i];
        const int parted = junk == '.' || junk == '#' ? 0 : parted_numbers(t, junk);
        s.separator = parted >= 2 ? junk : '\0';
        s.separated = parted >= 2 ? parted : 0;
      }
      while (i < n && !is_separator(t[i])) ++i;
      if (first) s.junk_end = static_cast<int>(i + 1);
      if (leading) s.numbers += values;
      leading = false;
      continue;
    }
    if (i + 1 < n && t[i] == ',' && is_digit(t[i + 1]) && s.comma_column == 0) {
      bool plain = true;  // digits only: a point or an exponent makes the comma a separator
      for (size_t k = start; k < i; ++k) {
        if (!(is_digit(t[k]) || t[k] == '-' || t[k] == '+')) plain = false;
      }
      if (plain) s.comma_column = static_cast<int>(i + 1);
    }
    if (leading) s.numbers += values;
  }
  s.blank = s.items == 0;
  return s;
}

}  // namespace convkit
