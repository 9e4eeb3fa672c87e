// Free-form reads: items separated by blanks, tabs, commas or line ends, as the control files
// and exports are read.
//
// A carriage return is an ordinary byte: control files are written with CR LF ends, and the CR
// stays part of the item it touches (the name cut relies on it).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

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

/// How a text read as one number item ended.
enum class NumberTextOutcome {
  completed,     // the whole text is one number: stored in the item
  not_a_number,  // no number at its start (an empty text, a blank, a word, a repeat count)
  trailing,      // a number, then bytes that are no part of it (0.1V, 0,1)
  not_whole,     // a point or an exponent letter in an integer item (50.0, 5e1)
};

/// Reads text as the one number item of a free-form read - read_free's scanner, rounding and
/// integer range, so a value gives the same bits as on a line of a file - and stores it in item
/// (real or integer) when the whole text is that number. Never ends the run.
NumberTextOutcome read_free_number(std::string_view text, const ReadItem& item);

/// How the scan of a number item at the start of a text ended.
enum class NumberOutcome {
  number,                // a value
  null,                  // no digit, and a comma, a slash (or after a count, a blank) follows
  bad_repetition_count,  // a count of zero, with a sign, or of too many digits
  invalid_integer,       // a point or an exponent in an integer item
  exponent_field,        // no digit after the exponent's start, or an exponent too large
  invalid_number,        // no digit, and no null either
};

/// A number item at the start of a text, as the free-form read scans it.
struct NumberText {
  NumberOutcome outcome;
  size_t length;    // bytes the scan takes: the number ends before the next byte, whatever it is
  uint64_t repeat;  // a repeat count r* before the value (it serves r items), else 0
  double value;
};

/// Scans text's first number item by read_free's own scanner, without a unit and without ending
/// the run; the check uses it to say what a line's values become.
NumberText scan_number_text(std::string_view text);

}  // namespace convkit
