// One number item of a trace file, in any of the forms the family's writers use.
//
//   number   := sign? mantissa exponent? | sign? ("NAN" | "INF" | "INFINITY")  (any case)
//   mantissa := digits ("." digits?)? | "." digits        (0.500000 and 5.000000 alike)
//   exponent := ("E" | "e" | "D" | "d") sign? digits     (0.500000E+03, 0.5d3)
//             | sign digits                              (0.100000-100: three-digit exponents
//                                                         drop the letter)
#pragma once

#include <string_view>

namespace convkit {

enum class NumberOutcome {
  finite,        // a number within the range of a double
  not_finite,    // NAN or INF, kept as such
  not_a_number,  // the item is not of the form above
  out_of_range,  // of the form, but beyond what a double holds (0.1E+999)
};

struct NumberScan {
  double value = 0.0;
  NumberOutcome outcome = NumberOutcome::not_a_number;
};

/// The value of item, a whole item without blanks, and what it is.
NumberScan scan_number(std::string_view item);

/// Whether an item of that outcome is a number (NAN and INF included).
inline bool is_number(NumberOutcome outcome) {
  return outcome == NumberOutcome::finite || outcome == NumberOutcome::not_finite;
}

}  // namespace convkit
