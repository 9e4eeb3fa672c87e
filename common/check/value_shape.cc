// The number rule here is the free-form read's: an optional sign, digits with an optional
// point, an exponent started by E, e, D, d or by a sign right after a digit. A number ends at
// whatever byte cannot continue it, separator or not: that is what makes 1.#INF read as 1.
#include "common/check/value_shape.h"

namespace convkit {
namespace {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\n';
}
inline bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

size_t number_length(std::string_view t) {
  size_t i = 0, n = t.size();
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  bool digit = false;
  while (i < n && is_digit(t[i])) {
    ++i;
    digit = true;
  }
  if (i < n && t[i] == '.') {
    ++i;
    while (i < n && is_digit(t[i])) {
      ++i;
      digit = true;
    }
  }
  if (!digit) return 0;
  if (i < n &&
      (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd' || t[i] == '+' || t[i] == '-')) {
    size_t j = i;
    if (t[j] != '+' && t[j] != '-') ++j;
    if (j < n && (t[j] == '+' || t[j] == '-')) ++j;
    if (j < n && is_digit(t[j])) {
      while (j < n && is_digit(t[j])) ++j;
      i = j;
    }
  }
  return i;
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
    size_t len = number_length(t.substr(i));
    if (len == 0) {
      if (leading && s.text_column == 0) s.text_column = static_cast<int>(start + 1);
      leading = false;
      do {
        ++i;
      } while (i < n && !is_separator(t[i]));
      continue;
    }
    i += len;
    if (i < n && !is_separator(t[i])) {
      // A number and then bytes that continue the item: only the number is read.
      if (s.junk_column == 0) {
        s.junk_column = static_cast<int>(i + 1);
        s.number_column = static_cast<int>(start + 1);
        while (i < n && !is_separator(t[i])) ++i;
        s.junk_end = static_cast<int>(i + 1);
      } else {
        while (i < n && !is_separator(t[i])) ++i;
      }
      if (leading) ++s.numbers;
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
    if (leading) ++s.numbers;
  }
  s.blank = s.items == 0;
  return s;
}

}  // namespace convkit
