// The two scanners of a number item, side by side: the general one, byte by byte, that knows
// every rule, and the fast one for a plain number lying whole in the unit's buffer. Both round
// the same decimal value correctly to the nearest double, so they cannot disagree; a
// disagreement is the fault their tests look for. For the record layer's own statements only.
#pragma once

#include <span>

#include "common/recordio/detail/list_read.h"
#include "common/recordio/free_reader.h"

namespace convkit::detail {

/// How the general scan of a number item ended.
enum class NumberScan {
  value,         // a number is held
  null_value,    // a comma or slash (or a repeat count's blank) where the value stands
  bad_count,     // a repeat count with a sign, no digits or an exponent
  not_integer,   // a point or an exponent letter in an integer item
  bad_exponent,  // an exponent without digits, or beyond the largest one allowed
  invalid,       // no number at all
};

/// The general scan of a number item, a repeat count included; the byte that ends the number is
/// left unread, whatever it is. Never ends the run: the outcome says what it met.
NumberScan try_scan_number(ListRead& r, bool integer);

/// try_scan_number for a read statement: ends the run on a malformed number.
void scan_number(ListRead& r, bool integer);

/// A plain number at the unit's position, converted in place; false, touching nothing, for
/// anything else.
bool scan_plain_number(ListRead& r);

/// The common line of an export: real items only, all plain numbers on the current line, which
/// lies whole in the buffer, separated by blanks or tabs and at most one comma after a value.
/// Stores them and takes the line; returns false, touching nothing, for anything else, so that
/// the general statement starts from the same place.
bool read_plain_line(Unit& u, std::span<const ReadItem> items);

}  // namespace convkit::detail
