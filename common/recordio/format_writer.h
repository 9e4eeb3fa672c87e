// Formatted records: a format lays items out in fixed-width fields, one or more records per
// write statement.
//
//   format     ::= "(" list ")"
//   list       ::= item { "," item }
//   item       ::= [count] "(" list ")" | "A" width | count "X" | "I" width
//                | ("E" | "D") width "." digits
// Letters in either case; blanks anywhere are ignored. Counts, widths and digit counts are 1 to
// 1000000; groups nest at most 32 deep. A group without a data descriptor is kept as the one
// skip it amounts to, at most 1000000 columns.
//
// A data descriptor given an item it cannot form (a number under A, a text under I or E, a
// real under I) fills its field with asterisks; E forms an integer item as a real.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace convkit {

struct Descriptor {
  enum Kind : char { A = 'A', X = 'X', I = 'I', E = 'E', group = '(', group_end = ')' };
  Kind kind;
  int repeat = 1;  // group: walk count; X: blanks
  int width = 0;   // A, I, E
  int digits = 0;  // E
  int match = 0;   // group: index of its group_end; group_end: index of its group
};

struct Format {
  std::string text;                     // as written, for the failure report
  std::vector<Descriptor> descriptors;  // the list inside the outer parentheses
  size_t reversion = 0;                 // where the walk resumes when items remain
};

/// Parses a format once. Throws std::invalid_argument on a malformed one (formats are the
/// programs' constants, so this is a programming error).
Format parse_format(std::string_view text);

struct WriteItem {
  enum Kind { text, integer, real8, real4 } kind;
  const char* chars = nullptr;  // text: length bytes, any values
  int length = 0;
  int32_t i = 0;
  double d = 0.0;  // real8, or a real4 widened exactly
};

inline WriteItem text_w(const char* chars, int length) {
  return {WriteItem::text, chars, length, 0, 0.0};
}
inline WriteItem text_w(std::string_view s) {
  return {WriteItem::text, s.data(), static_cast<int>(s.size()), 0, 0.0};
}
inline WriteItem int_w(int32_t v) { return {WriteItem::integer, nullptr, 0, v, 0.0}; }
inline WriteItem real_w(double v) { return {WriteItem::real8, nullptr, 0, 0, v}; }
inline WriteItem real4_w(float v) {
  return {WriteItem::real4, nullptr, 0, 0, static_cast<double>(v)};
}

/// One formatted write statement on unit n: whole records, each ended by a line feed.
void write_formatted(int n, const Format& format, std::initializer_list<WriteItem> items);

/// One formatted write statement into target (fixed length): its first record overwrites the
/// text, blank-filled; characters beyond its length are dropped.
void write_internal(char* target, int target_length, const Format& format,
                    std::initializer_list<WriteItem> items);

}  // namespace convkit
