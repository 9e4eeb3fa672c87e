// Fuzz target: the E/D, I and A field forms against independent formulations.
//
// The E form is rebuilt here from the C conversion "%#.*E" (digits and exponent p, q = p + 1,
// the four-character exponent part, the room rule, the letters of not-a-number and infinity),
// the I form from "%d", the A form from its two cases. The field under test and the rebuilt one
// must match byte for byte, for every double - subnormals, infinities and not-a-number included
// - and every width and digit count chosen here; neither may write outside its width.
//
// Input: bytes 0-7 a double (as stored), 8-9 width and 10-11 digits of a second E field, 12-15
// an integer, 16 an I width, 17 an A width, the rest an A text. Missing bytes count as zero.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/recordio/field_forms.h"
#include "fuzz/harness.h"

namespace convkit {
namespace {

std::string repeated(size_t count, char c) { return std::string(count, c); }

std::string justified(const std::string& text, int width) {
  size_t w = static_cast<size_t>(width);
  if (text.size() > w) return repeated(w, '*');
  return repeated(w - text.size(), ' ') + text;
}

// The printf conversion of the magnitude with d - 1 digits after the point.
std::string printf_e(double magnitude, int digits) {
  int size = std::snprintf(nullptr, 0, "%#.*E", digits - 1, magnitude);
  std::string text(static_cast<size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%#.*E", digits - 1, magnitude);
  text.resize(static_cast<size_t>(size));
  return text;
}

std::string reference_e(double value, int width, int digits) {
  if (std::isnan(value)) return justified(printf_e(std::fabs(value), digits), width);
  if (std::isinf(value)) {
    std::string text = printf_e(std::fabs(value), digits);
    return justified(value < 0 ? "-" + text : text, width);
  }
  const int s = value < 0 ? 1 : 0;
  std::string mantissa;
  int q = 0;
  if (value == 0) {
    mantissa = repeated(static_cast<size_t>(digits), '0');
  } else {
    // "D.DDDDDE+pp": the first digit, the point, d - 1 digits, the letter, the exponent.
    std::string text = printf_e(std::fabs(value), digits);
    size_t letter = text.find('E');
    FUZZ_CHECK(letter != std::string::npos && text[1] == '.', "unexpected printf text", text);
    mantissa = text.substr(0, 1) + text.substr(2, letter - 2);
    q = std::atoi(text.c_str() + letter + 1) + 1;
  }
  FUZZ_CHECK(mantissa.size() == static_cast<size_t>(digits), "digit count", mantissa);
  char exponent[16];
  if (q >= -99 && q <= 99) {
    std::snprintf(exponent, sizeof exponent, "E%+.2d", q);
  } else {
    std::snprintf(exponent, sizeof exponent, "%+.3d", q);
  }
  const long long room = static_cast<long long>(width) - (digits + 5 + s);
  if (room < 0) return repeated(static_cast<size_t>(width), '*');
  std::string field;
  if (room > 0) field += repeated(static_cast<size_t>(room - 1), ' ');
  if (s != 0) field += '-';
  if (room > 0) field += '0';
  field += '.';
  field += mantissa;
  field += exponent;
  return field;
}

std::string reference_i(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return justified(text, width);
}

std::string reference_a(std::string_view text, int width) {
  size_t w = static_cast<size_t>(width);
  if (w > text.size()) return repeated(w - text.size(), ' ') + std::string(text);
  return std::string(text.substr(0, w));
}

std::string describe(const char* form, double value, int width, int digits) {
  char text[96];
  std::snprintf(text, sizeof text, "%s value %a width %d digits %d", form, value, width, digits);
  return text;
}

// Runs one form into a guarded buffer and compares it with the expected field.
template <typename Form>
void compare(const std::string& expected, int width, const std::string& what, Form form) {
  std::vector<char> buffer(kFuzzGuard + static_cast<size_t>(width) + kFuzzGuard, kFuzzGuardByte);
  char* out = buffer.data() + kFuzzGuard;
  char* end = form(out);
  FUZZ_CHECK(end == out + width, "form returned a wrong end", what);
  FUZZ_CHECK(fuzz_guards_intact(out, static_cast<size_t>(width)), "form wrote outside its field",
             what);
  std::string field(out, static_cast<size_t>(width));
  if (field != expected) {
    fuzz_fail(what + " gives " + fuzz_escaped(field) + ", expected " + fuzz_escaped(expected));
  }
}

void check_e(double value, int width, int digits) {
  compare(reference_e(value, width, digits), width, describe("E", value, width, digits),
          [&](char* out) { return form_e(out, value, width, digits); });
}

uint32_t bytes_at(const uint8_t* data, size_t size, size_t at, size_t count) {
  uint32_t v = 0;
  for (size_t i = 0; i < count; ++i) {
    v |= static_cast<uint32_t>(at + i < size ? data[at + i] : 0) << (8 * i);
  }
  return v;
}

}  // namespace
}  // namespace convkit

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace convkit;
  uint64_t bits = 0;
  for (size_t i = 0; i < 8; ++i) bits |= uint64_t{i < size ? data[i] : uint8_t{0}} << (8 * i);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  uint32_t low = static_cast<uint32_t>(bits);
  float single;
  std::memcpy(&single, &low, sizeof single);

  // The field every program writes, for the double and for a 4-byte real widened.
  check_e(value, 13, 6);
  check_e(static_cast<double>(single), 13, 6);

  // Any other field: mostly narrow ones, sometimes far wider than a double has digits.
  uint32_t w = bytes_at(data, size, 8, 2);
  uint32_t d = bytes_at(data, size, 10, 2);
  int width, digits;
  if ((w & 0x8000u) != 0) {
    width = 1 + static_cast<int>(w % 1200);
    digits = 1 + static_cast<int>(d % 1100);
  } else {
    width = 1 + static_cast<int>(w % 40);
    digits = 1 + static_cast<int>(d % 30);
  }
  check_e(value, width, digits);

  int32_t integer = static_cast<int32_t>(bytes_at(data, size, 12, 4));
  int iwidth = 1 + static_cast<int>(bytes_at(data, size, 16, 1) % 16);
  for (int wi : {1, iwidth}) {
    compare(reference_i(integer, wi), wi,
            "I value " + std::to_string(integer) + " width " + std::to_string(wi),
            [&](char* out) { return form_i(out, integer, wi); });
  }

  int awidth = 1 + static_cast<int>(bytes_at(data, size, 17, 1) % 100);
  std::string_view text;
  if (size > 18) text = std::string_view(reinterpret_cast<const char*>(data) + 18, size - 18);
  compare(reference_a(text, awidth), awidth, "A width " + std::to_string(awidth), [&](char* out) {
    return form_a(out, text.data(), static_cast<int>(text.size()), awidth);
  });
  return 0;
}
