// The items of a write statement, formatted or free-form: a text, an integer or a real.
#pragma once

#include <cstdint>
#include <string_view>

namespace convkit {

struct WriteItem {
  enum Kind { text, integer, real8, real4 } kind;
  const char* chars = nullptr;  // text: length bytes, any values
  int length = 0;
  int32_t i = 0;
  double d = 0.0;  // real8, or a real4 widened exactly
};

/// A text of length bytes; a length below 1 is an empty text.
inline WriteItem text_out(const char* chars, int length) {
  return {WriteItem::text, chars, length > 0 ? length : 0, 0, 0.0};
}
inline WriteItem text_out(std::string_view s) {
  return {WriteItem::text, s.data(), static_cast<int>(s.size()), 0, 0.0};
}
inline WriteItem int_out(int32_t v) { return {WriteItem::integer, nullptr, 0, v, 0.0}; }
inline WriteItem real_out(double v) { return {WriteItem::real8, nullptr, 0, 0, v}; }
/// A 4-byte real: formatted writes show it as the value it holds, widened exactly.
inline WriteItem real4_out(float v) {
  return {WriteItem::real4, nullptr, 0, 0, static_cast<double>(v)};
}

}  // namespace convkit
