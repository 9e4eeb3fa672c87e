// The two scanners of a number item, side by side: the general one, byte by byte, that knows
// every rule, and the fast one for a plain number lying whole in the unit's buffer. Both round
// the same decimal value correctly to the nearest double, so they cannot disagree; a
// disagreement is the fault their tests look for. For the record layer's own statements only.
#pragma once

#include <span>

#include "common/recordio/detail/list_read.h"
#include "common/recordio/free_reader.h"

namespace convkit::detail {

/// The general scan of a number item, a repeat count included. The byte that ends the number is
/// left unread, whatever it is. Ends the run on a malformed number.
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
