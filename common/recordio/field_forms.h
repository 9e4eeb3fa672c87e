// The text of one field: the A, I and E/D forms. Each writes exactly width bytes at out and
// returns out + width.
#pragma once

namespace convkit {

/// Ew.d (and Dw.d, the same characters): "0.", d rounded digits and a four-character exponent,
/// right-justified; asterisks when the field is too narrow.
char* form_e(char* out, double value, int width, int digits);

/// Iw: the digits with "-" when negative, right-justified; asterisks when too narrow.
char* form_i(char* out, int value, int width);

/// Aw: blanks then the text when width exceeds length; else the first width characters.
char* form_a(char* out, const char* text, int length, int width);

}  // namespace convkit
