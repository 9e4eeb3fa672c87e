// Console lines: free-form writes to unit 6. Every line that holds an item begins with a
// blank; reals show nine significant digits and always a point; a line ends before it would
// reach 80 characters.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace convkit {

struct ListItem {
  enum Kind { text, integer, real } kind;
  const char* chars = nullptr;  // text: length bytes
  int length = 0;
  int32_t i = 0;
  double d = 0.0;
};

inline ListItem list_text(const char* chars, int length) {
  return {ListItem::text, chars, length > 0 ? length : 0, 0, 0.0};
}
inline ListItem list_text(std::string_view s) {
  return {ListItem::text, s.data(), static_cast<int>(s.size()), 0, 0.0};
}
inline ListItem list_int(int32_t v) { return {ListItem::integer, nullptr, 0, v, 0.0}; }
inline ListItem list_real(double v) { return {ListItem::real, nullptr, 0, 0, v}; }

/// The console form of a real: two leading characters ("  " or " -"), then "%.9G" of its
/// magnitude with a point always present ("0." for zero).
std::string list_real_text(double x);

/// The lines one free-form write statement of items makes, each ended by a line feed.
std::string list_lines(std::initializer_list<ListItem> items);

/// One free-form write statement to the console (unit 6).
void write_list(std::initializer_list<ListItem> items);

}  // namespace convkit
