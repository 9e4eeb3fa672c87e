// Console lines: free-form writes to unit 6. Every line that holds an item begins with a
// blank; reals show nine significant digits and always a point; a line ends before it would
// reach 80 characters.
#pragma once

#include <initializer_list>
#include <span>
#include <string>

#include "common/recordio/write_item.h"

namespace convkit {

/// The console form of a real: two leading characters ("  " or " -"), then "%.9G" of its
/// magnitude with a point always present ("0." for zero).
std::string list_real_text(double x);

/// The lines one free-form write statement of items makes, each ended by a line feed.
std::string list_lines(std::span<const WriteItem> items);
inline std::string list_lines(std::initializer_list<WriteItem> items) {
  return list_lines(std::span<const WriteItem>(items.begin(), items.size()));
}

/// One free-form write statement to the console (unit 6).
void write_list(std::span<const WriteItem> items);
inline void write_list(std::initializer_list<WriteItem> items) {
  write_list(std::span<const WriteItem>(items.begin(), items.size()));
}

}  // namespace convkit
