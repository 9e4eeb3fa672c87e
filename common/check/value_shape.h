// The items of one line as a free-form read of numbers meets them: which are numbers, and what
// stands where a user meant a number but the read takes something else. The number itself is
// scanned by the reader's own rule (scan_number_text).
#pragma once

#include <string_view>

namespace convkit {

/// What a line holds. Columns count from 1; 0 means none.
struct ValueShape {
  int numbers = 0;        // values a read of numbers takes from the leading items (r*v gives r)
  int items = 0;          // items on the line (blank, tab, comma or slash separated)
  int junk_column = 0;    // a byte right after a number that is no separator: 1.#INF, 12abc
  int junk_end = 0;       // the column after that item
  int number_column = 0;  // where the number before the junk starts
  int comma_column = 0;   // a comma between digits of a number with no point: -0,2000000
  int text_column = 0;    // the first item that is no number at all (among the leading ones)
  char separator = 0;     // a byte that parts the line's numbers but is no separator: ';'
  int separated = 0;      // the numbers the line holds when that byte parts them
  bool blank = false;     // nothing but blanks and tabs
};

/// The shape of a line's visible text (its line end removed).
ValueShape value_shape(std::string_view text);

/// How many bytes the number at the start of text takes in a read; 0 when it is no number.
size_t number_length(std::string_view text);

}  // namespace convkit
