// The state of one free-form read statement and the byte-level steps its scanners share. For
// the record layer's own statements only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/recordio/unit.h"

namespace convkit::detail {

constexpr int kMaxDigits = 40;              // significant digits a number keeps
constexpr int64_t kMaxExponent = 99999999;  // the largest exponent a number may write
constexpr int kMaxPlainExponentDigits = 8;  // so that a plain exponent never exceeds the above
// A repeat count only needs to outlast the items of one statement.
constexpr uint64_t kCountCeiling = uint64_t{1} << 62;

enum ByteClass : unsigned char {
  kEndsItem = 1,         // space, tab, line feed, comma, slash: ends an unquoted text
  kContinuesNumber = 2,  // a byte the scanner would go on with after a plain number
};

constexpr std::array<unsigned char, 256> make_classes() {
  std::array<unsigned char, 256> classes{};
  for (char c : {' ', '\t', '\n', ',', '/'}) classes[static_cast<unsigned char>(c)] = kEndsItem;
  for (char c :
       {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', '+', '-', '*', 'e', 'E', 'd', 'D'}) {
    classes[static_cast<unsigned char>(c)] = kContinuesNumber;
  }
  return classes;
}

constexpr std::array<unsigned char, 256> kClasses = make_classes();

inline bool has_class(int c, ByteClass which) {
  return c >= 0 && (kClasses[static_cast<size_t>(c)] & which) != 0;
}
inline bool has_class(char c, ByteClass which) {
  return (kClasses[static_cast<unsigned char>(c)] & which) != 0;
}
inline bool is_digit(int c) { return c >= '0' && c <= '9'; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_sign(int c) { return c == '+' || c == '-'; }
inline bool is_exponent_letter(int c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

[[noreturn]] void fail_incomprehensible(const char* context);
[[noreturn]] void fail_invalid_integer();

enum class Held { none, number, text };

struct ListRead {
  Unit& u;
  bool end_branch;
  bool end_seen = false;   // a byte read met the end of the file
  uint64_t repeat = 0;     // how many more items the current value serves
  Held held = Held::none;  // the current value's kind; none for a null value
  double number = 0.0;
  size_t text_room = 0;    // the longest text item of the statement
  size_t text_length = 0;  // bytes of the text value held, at most text_room
  size_t text_total = 0;   // bytes of the text value collected, held or not
};

/// The text value of the statement running; it lives across statements so that its room is
/// taken once.
extern std::string g_text;

/// take past the end of the buffer: kEndOfFile noted, a read error reported.
int take_after_buffer(ListRead& r, int c);

/// The next byte, or kEndOfFile; a read error ends the run ("list in").
inline int take(ListRead& r) {
  int c = next_byte(r.u);
  if (c >= 0) return c;
  return take_after_buffer(r, c);
}

/// Keeps byte c of the text value, as far as the room goes; counts it in any case.
inline void collect(ListRead& r, int c) {
  if (r.text_length < r.text_room) g_text[r.text_length++] = static_cast<char>(c);
  ++r.text_total;
}

/// collect for n bytes at once.
void collect_run(ListRead& r, const char* bytes, size_t n);

/// Starts a new text value.
inline void start_text(ListRead& r) { r.text_length = r.text_total = 0; }

/// Skips blanks, and line feeds too when lines is set; returns the first other byte, taken, or
/// kEndOfFile.
int skip_blanks(ListRead& r, bool lines);

/// Skips through the next line feed; false when the file ends first (at_end is then set). A read
/// error ends the run with context.
bool skip_line(Unit& u, const char* context);

}  // namespace convkit::detail
