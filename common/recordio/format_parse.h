// Formats: a format lays items out in fixed-width fields, one or more records per write
// statement. It is parsed once into a flat list of descriptors.
//
//   format     ::= "(" list ")"
//   list       ::= item { "," item }
//   item       ::= [count] "(" list ")" | "A" width | count "X" | "I" width
//                | ("E" | "D") width "." digits
// Letters in either case; blanks anywhere are ignored. Counts, widths and digit counts are 1 to
// 1000000; groups nest at most 32 deep. A group without a data descriptor is kept as the one
// skip it amounts to, at most 1000000 columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace convkit {

/// Deeper nesting than any format needs; the bound lets a statement keep its group counters in
/// a fixed array.
inline constexpr int kMaxNesting = 32;

struct Descriptor {
  enum Kind : char { A = 'A', X = 'X', I = 'I', E = 'E', group = '(', group_end = ')' };
  Kind kind;
  int repeat = 1;  // group: walk count; X: blanks
  int width = 0;   // A, I, E
  int digits = 0;  // E
};

struct Format {
  std::string text;                     // as written, for the failure report
  std::vector<Descriptor> descriptors;  // the list inside the outer parentheses
  size_t reversion = 0;                 // where the walk resumes when items remain
};

/// Parses a format once. Throws std::invalid_argument on a malformed one (formats are the
/// programs' constants, so this is a programming error).
Format parse_format(std::string_view text);

}  // namespace convkit
