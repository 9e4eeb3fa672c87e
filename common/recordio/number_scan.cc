// Numbers of free-form items. The exports hold a million lines of numbers and are read twice,
// so the common case - a plain number lying whole in the unit's buffer - is parsed in place;
// everything else goes through the byte-by-byte scanner.
#include "common/recordio/detail/number_scan.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace convkit::detail {
namespace {

// A decimal value: the kept digits times ten to the exponent.
struct Decimal {
  char digits[kMaxDigits];
  int kept = 0;
  int64_t exponent = 0;
  bool seen = false;  // any digit, a dropped leading zero included
};

// The nearest double, rounded correctly. The digits carry no point, so no locale can interfere.
double decimal_value(const Decimal& d, bool minus) {
  double v = 0.0;
  if (d.kept > 0) {
    int64_t order = d.kept + d.exponent;  // the value lies in [10^(order-1), 10^order)
    if (order > 310) {
      v = std::numeric_limits<double>::infinity();
    } else if (order >= -330) {
      char text[kMaxDigits + 24];
      std::memcpy(text, d.digits, static_cast<size_t>(d.kept));
      char* at = text + d.kept;
      *at++ = 'e';
      at = std::to_chars(at, text + sizeof text, d.exponent).ptr;
      auto result = std::from_chars(text, at, v);
      if (result.ec == std::errc::result_out_of_range) {
        v = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
      }
    }
  }
  return minus ? -v : v;
}

// Integer digits into d; returns the byte after them.
int scan_whole_digits(ListRead& r, int c, Decimal& d) {
  for (; is_digit(c); c = take(r)) {
    d.seen = true;
    if (d.kept == kMaxDigits) {
      ++d.exponent;
    } else if (c != '0' || d.kept > 0) {
      d.digits[d.kept++] = static_cast<char>(c);
    }
  }
  return c;
}

// Fraction digits into d; returns the byte after them.
int scan_fraction_digits(ListRead& r, int c, Decimal& d) {
  for (; is_digit(c); c = take(r)) {
    d.seen = true;
    if (d.kept == 0 && c == '0') {
      --d.exponent;
    } else if (d.kept < kMaxDigits) {
      d.digits[d.kept++] = static_cast<char>(c);
      --d.exponent;
    }
  }
  return c;
}

uint64_t count_of(const Decimal& d) {
  uint64_t count = 0;
  for (int i = 0; i < d.kept && count < kCountCeiling; ++i) {
    count = count * 10 + static_cast<uint64_t>(d.digits[i] - '0');
  }
  return count < kCountCeiling ? count : kCountCeiling;
}

}  // namespace

// The general scan of a number item, a repeat count included. The byte that ends the number is
// left unread, whatever it is.
NumberScan try_scan_number(ListRead& r, bool integer) {
  bool counted = false;  // a repeat count came before the value
  for (;;) {
    Decimal d;
    int c = take(r);
    bool minus = false;
    if (is_sign(c)) {
      minus = c == '-';
      c = take(r);
    }
    c = scan_whole_digits(r, c, d);
    if (c == '*' && !counted) {
      if (minus || d.kept == 0 || d.exponent > 0) return NumberScan::bad_count;
      r.repeat = count_of(d);
      counted = true;
      continue;
    }
    if (c == '.') {
      if (integer) return NumberScan::not_integer;
      c = scan_fraction_digits(r, take(r), d);
    }
    if (d.seen && (is_exponent_letter(c) || is_sign(c))) {
      if (is_exponent_letter(c)) {
        if (integer) return NumberScan::not_integer;
        c = take(r);
      }
      bool negative = false;
      if (is_sign(c)) {
        negative = c == '-';
        c = take(r);
      }
      if (!is_digit(c)) return NumberScan::bad_exponent;
      int64_t e = 0;
      for (; is_digit(c); c = take(r)) {
        e = e * 10 + (c - '0');
        if (e > kMaxExponent) return NumberScan::bad_exponent;
      }
      d.exponent += negative ? -e : e;
    }
    if (c >= 0) push_back_byte(r.u);
    if (!d.seen) {
      bool null = c == ',' || c == '/' || (counted && (c == ' ' || c == '\t' || c == '\n'));
      if (!null) return NumberScan::invalid;
      r.held = Held::none;
      return NumberScan::null_value;
    }
    r.held = Held::number;
    r.number = decimal_value(d, minus);
    return NumberScan::value;
  }
}

void scan_number(ListRead& r, bool integer) {
  switch (try_scan_number(r, integer)) {
    case NumberScan::value:
    case NumberScan::null_value:
      return;
    case NumberScan::bad_count:
      fail_incomprehensible("bad repetition count");
    case NumberScan::not_integer:
      fail_invalid_integer();
    case NumberScan::bad_exponent:
      fail_incomprehensible("exponent field");
    case NumberScan::invalid:
      fail_incomprehensible("invalid number");
  }
}

namespace {

// A plain number - [sign] digits [. digits] [e|E [sign] digits], with no more significant
// digits than are kept and no more exponent digits than are allowed - that starts at p and is
// followed, before end, by a byte that cannot continue it.
struct PlainNumber {
  double value;
  const char* next;  // the byte after the number
  bool ok;           // false: not a plain number, or not known to end before end
};

PlainNumber parse_plain_number(const char* p, const char* end) {
  constexpr PlainNumber kNone{0.0, nullptr, false};
  bool minus = false;
  if (p < end && (*p == '+' || *p == '-')) {  // the conversion takes no plus sign
    minus = *p == '-';
    ++p;
  }
  // Also keeps out the words for infinity and not-a-number, and a second sign.
  if (p == end || !(is_digit(*p) || *p == '.')) return kNone;
  double v = 0.0;
  auto [q, ec] = std::from_chars(p, end, v);
  if (ec != std::errc() || q == end || has_class(*q, kContinuesNumber)) return kNone;

  const char* mantissa_end = q;
  const char* t = q;
  while (t > p && is_digit(t[-1])) --t;
  if (t > p && (t[-1] == '+' || t[-1] == '-')) {
    mantissa_end = t - 2;  // a sign is taken only right after the exponent letter
  } else if (t > p && (t[-1] == 'e' || t[-1] == 'E')) {
    mantissa_end = t - 1;
  }
  if (mantissa_end != q && q - t > kMaxPlainExponentDigits) return kNone;
  if (mantissa_end - p > kMaxDigits) {  // more bytes than digits can be kept: count them
    int significant = 0;
    for (const char* d = p; d < mantissa_end; ++d) {
      if (is_digit(*d) && (significant > 0 || *d != '0')) ++significant;
    }
    if (significant > kMaxDigits) return kNone;
  }
  return {minus ? -v : v, q, true};
}

}  // namespace

// A plain number lying whole in the buffer is converted in place. The conversion itself finds
// the number's end; only what it took is checked afterwards. Returns false, touching nothing,
// for anything else.
bool scan_plain_number(ListRead& r) {
  Unit& u = r.u;
  PlainNumber number = parse_plain_number(u.buf + u.pos, u.buf + u.len);
  if (!number.ok) return false;
  r.held = Held::number;
  r.number = number.value;
  u.pos = static_cast<size_t>(number.next - u.buf);
  return true;
}

// The common line of an export: real items only, all plain numbers on the current line, which
// lies whole in the buffer, separated by blanks or tabs and at most one comma after a value.
// Stores them and takes the line; returns false, touching nothing, for anything else, so that
// the general statement starts from the same place.
bool read_plain_line(Unit& u, std::span<const ReadItem> items) {
  constexpr size_t kMaxItems = 4;
  if (items.size() > kMaxItems || u.pos >= u.len) return false;
  const char* p = u.buf + u.pos;
  const char* lf = static_cast<const char*>(std::memchr(p, '\n', u.len - u.pos));
  if (lf == nullptr) return false;
  double values[kMaxItems];
  size_t k = 0;
  for (const ReadItem& item : items) {
    if (item.kind != ItemKind::real) return false;
    while (*p == ' ' || *p == '\t') ++p;  // stops at the line feed at the latest
    PlainNumber number = parse_plain_number(p, lf + 1);
    if (!number.ok) return false;
    values[k++] = number.value;
    p = number.next;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == ',') ++p;
  }
  k = 0;
  for (const ReadItem& item : items) *static_cast<double*>(item.target) = values[k++];
  u.pos = static_cast<size_t>(lf + 1 - u.buf);
  return true;
}

}  // namespace convkit::detail
