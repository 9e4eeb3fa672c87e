// The text of one field. Readers of the output files take the fields by column, so every form
// writes exactly its width, and a value that does not fit shows as asterisks rather than as a
// wider field that would shift every column after it.
#include "common/recordio/field_forms.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace convkit {
namespace {

// A double's exact decimal expansion has at most 767 significant digits, so a precision of 780
// already shows it without rounding; every digit asked for beyond it is a zero. Capping keeps
// the conversion in a fixed buffer whatever digit count a format gives.
constexpr int kExactPrecision = 780;
// "D." then the digits, then "e-324" at most.
constexpr size_t kDigitBuffer = 2 + static_cast<size_t>(kExactPrecision) + 8;

char* fill(char* out, size_t count, char c) {
  std::memset(out, c, count);
  return out + count;
}

// Right-justifies a short text in width columns; asterisks when it does not fit.
char* right_justify(char* out, const char* text, size_t length, size_t width) {
  if (length > width) return fill(out, width, '*');
  out = fill(out, width - length, ' ');
  std::memcpy(out, text, length);
  return out + length;
}

// Four characters: E, sign and two digits up to 99; from 100 on the letter gives way to the
// third digit.
char* exponent_part(char* out, int q) {
  unsigned magnitude = q < 0 ? 0u - static_cast<unsigned>(q) : static_cast<unsigned>(q);
  char sign = q < 0 ? '-' : '+';
  if (magnitude <= 99) {
    *out++ = 'E';
    *out++ = sign;
  } else {
    *out++ = sign;
    *out++ = static_cast<char>('0' + magnitude / 100 % 10);
  }
  *out++ = static_cast<char>('0' + magnitude / 10 % 10);
  *out++ = static_cast<char>('0' + magnitude % 10);
  return out;
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Six significant digits without the general conversion, for the fields every data line holds.
// The magnitude is scaled by an exact power of ten into [1e5, 1e6); that product is correctly
// rounded, so it lies within 1.2e-10 of the true one, and unless its fraction is within 1e-9 of
// one half the rounding to a whole number decides exactly as the true value would. Returns
// false - near ties, exact ties, subnormals, powers beyond 1e22 - when the general conversion
// must decide.
bool six_digits_fast(char* out, double magnitude, int& q) {
  uint64_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  if (biased == 0 || biased == 0x7ff) return false;
  // 5 less an estimate of floor(log10(magnitude)) from the binary exponent (78913 / 2^18 is
  // just below log10(2)); corrected below by at most a step or two.
  int k = 5 - (((biased - 1023) * 78913) >> 18);
  double y = 0.0;
  for (int tries = 0;; ++tries) {
    if (k < -22 || k > 22 || tries == 3) return false;
    y = k < 0 ? magnitude / kPowersOfTen[-k] : magnitude * kPowersOfTen[k];
    if (y < 1e5) {
      ++k;
    } else if (y >= 1e6) {
      --k;
    } else {
      break;
    }
  }
  const double whole = std::floor(y);
  const double fraction = y - whole;
  if (std::fabs(fraction - 0.5) < 1e-9) return false;
  uint32_t d = static_cast<uint32_t>(whole) + (fraction > 0.5 ? 1u : 0u);
  q = 6 - k;
  if (d == 1000000) {  // rounding carried into a new leading digit
    d = 100000;
    ++q;
  }
  for (int i = 5; i >= 0; --i) {
    out[i] = static_cast<char>('0' + d % 10);
    d /= 10;
  }
  return true;
}

// The d significant digits of a positive finite magnitude, rounded to nearest with exact ties
// to the even digit, and the decimal exponent q of the form 0.D1D2...Dd x 10^q.
char* significant_digits(char* out, double magnitude, int digits, int& q) {
  if (magnitude == 0.0) {
    q = 0;
    return fill(out, static_cast<size_t>(digits), '0');
  }
  if (digits == 6 && six_digits_fast(out, magnitude, q)) return out + 6;
  const int precision = digits - 1 < kExactPrecision ? digits - 1 : kExactPrecision;
  char buffer[kDigitBuffer];
  // "D1.D2...e+pp", or "D1e+pp" for a precision of 0; correctly rounded (exact ties to even)
  // and independent of the locale.
  const std::to_chars_result converted = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                                       std::chars_format::scientific, precision);
  if (converted.ec != std::errc{}) {
    // Cannot happen with the capped precision; a field of asterisks beats a wrong number.
    q = 0;
    return nullptr;
  }
  *out++ = buffer[0];
  const char* at = buffer + 1;
  if (precision > 0) {
    std::memcpy(out, buffer + 2, static_cast<size_t>(precision));
    out += precision;
    at = buffer + 2 + precision;
  }
  out = fill(out, static_cast<size_t>(digits - 1 - precision), '0');
  // at points at 'e'; the exponent p of D1.D2... has a sign and at least two digits.
  int p = 0;
  const bool negative = at[1] == '-';
  for (const char* e = at + 2; e < converted.ptr; ++e) p = p * 10 + (*e - '0');
  q = (negative ? -p : p) + 1;
  return out;
}

}  // namespace

char* form_e(char* out, double value, int width, int digits) {
  if (width <= 0) return out;
  const size_t w = static_cast<size_t>(width);
  if (digits < 1) return fill(out, w, '*');
  if (!std::isfinite(value)) {
    // The letters as the C conversion "%#.*E" writes them; a NaN shows no sign, even the one
    // from 0/0 whose sign bit is set.
    if (std::isnan(value)) return right_justify(out, "NAN", 3, w);
    return value < 0.0 ? right_justify(out, "-INF", 4, w) : right_justify(out, "INF", 3, w);
  }
  // Negative zero compares equal to zero and so is formed as plain zero.
  const int s = value < 0.0 ? 1 : 0;
  const double magnitude = s != 0 ? -value : value;
  const long long room = static_cast<long long>(width) - (static_cast<long long>(digits) + 5 + s);
  if (room < 0) return fill(out, w, '*');

  char* const start = out;
  if (room > 0) out = fill(out, static_cast<size_t>(room - 1), ' ');
  if (s != 0) *out++ = '-';
  if (room > 0) *out++ = '0';
  *out++ = '.';
  int q = 0;
  out = significant_digits(out, magnitude, digits, q);
  if (out == nullptr) return fill(start, w, '*');
  return exponent_part(out, q);
}

char* form_i(char* out, int value, int width) {
  if (width <= 0) return out;
  // Through unsigned arithmetic, so that the most negative value has a magnitude too.
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  char text[12];
  char* const end = text + sizeof text;
  char* begin = end;
  do {
    *--begin = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--begin = '-';
  return right_justify(out, begin, static_cast<size_t>(end - begin), static_cast<size_t>(width));
}

char* form_a(char* out, const char* text, int length, int width) {
  if (width <= 0) return out;
  const size_t w = static_cast<size_t>(width);
  const size_t l = length > 0 ? static_cast<size_t>(length) : 0;
  if (w > l) out = fill(out, w - l, ' ');
  const size_t shown = w > l ? l : w;
  if (shown > 0) std::memcpy(out, text, shown);
  return out + shown;
}

}  // namespace convkit
