// The mantissa and the exponent are copied into the form std::from_chars takes ("-0.1e-100"),
// which rounds correctly, so a value written with six digits reads back as the double nearest
// to them and writes again as the same six digits.
#include "common/trace/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace convkit {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool equal_ignoring_case(std::string_view a, std::string_view upper) {
  if (a.size() != upper.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

NumberScan convert(const char* first, const char* last) {
  double value = 0.0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) return {0.0, NumberOutcome::out_of_range};
  if (error != std::errc() || end != last) return {0.0, NumberOutcome::not_a_number};
  return {value, NumberOutcome::finite};
}

}  // namespace

NumberScan scan_number(std::string_view item) {
  size_t i = 0;
  const bool negative = !item.empty() && item[0] == '-';
  if (!item.empty() && (item[0] == '-' || item[0] == '+')) ++i;
  const std::string_view word = item.substr(i);
  if (equal_ignoring_case(word, "NAN")) {
    return {std::numeric_limits<double>::quiet_NaN(), NumberOutcome::not_finite};
  }
  if (equal_ignoring_case(word, "INF") || equal_ignoring_case(word, "INFINITY")) {
    const double inf = std::numeric_limits<double>::infinity();
    return {negative ? -inf : inf, NumberOutcome::not_finite};
  }

  // Short items (every writer's) are formed on the stack.
  char small[64];
  std::string large;
  char* out = small;
  if (item.size() + 2 > sizeof small) {
    large.resize(item.size() + 2);
    out = large.data();
  }
  char* const start = out;
  if (negative) *out++ = '-';
  int digits = 0;
  while (i < item.size() && is_digit(item[i])) *out++ = item[i++], ++digits;
  if (i < item.size() && item[i] == '.') {
    *out++ = item[i++];
    while (i < item.size() && is_digit(item[i])) *out++ = item[i++], ++digits;
  }
  if (digits == 0) return {};
  if (i < item.size()) {
    const char c = item[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
    } else if (c != '+' && c != '-') {
      return {};
    }
    *out++ = 'e';
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) *out++ = item[i++];
    int exponent_digits = 0;
    while (i < item.size() && is_digit(item[i])) *out++ = item[i++], ++exponent_digits;
    if (exponent_digits == 0 || i != item.size()) return {};
  }
  return convert(start, out);
}

}  // namespace convkit
