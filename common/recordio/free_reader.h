// Free-form reads: items separated by blanks, tabs, commas or line ends, as the control files
// and exports are read.
//
// A carriage return is an ordinary byte: control files are written with CR LF ends, and the CR
// stays part of the item it touches (the name cut relies on it).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

namespace convkit {

enum class ItemKind {
  text,     // a fixed-length text: target points at length bytes
  real,     // an IEEE double
  integer,  // a 32-bit signed integer
};

struct ReadItem {
  ItemKind kind;
  void* target;
  int length;  // for text
};

inline ReadItem text_item(char* target, int length) { return {ItemKind::text, target, length}; }
inline ReadItem real_item(double& target) { return {ItemKind::real, &target, 0}; }
inline ReadItem integer_item(int32_t& target) { return {ItemKind::integer, &target, 0}; }

enum class ReadOutcome {
  completed,    // every item was read, or a slash ended the list
  end_of_file,  // only with an end-of-file branch: the end of the file came first
};

/// One free-form read statement on unit n: stores the items in order, then skips the rest of
/// the line. Ends the run on every failure; an end of file does too unless has_end_branch.
ReadOutcome read_free(int n, std::span<const ReadItem> items, bool has_end_branch);
inline ReadOutcome read_free(int n, std::initializer_list<ReadItem> items, bool has_end_branch) {
  return read_free(n, std::span<const ReadItem>(items.begin(), items.size()), has_end_branch);
}

}  // namespace convkit
