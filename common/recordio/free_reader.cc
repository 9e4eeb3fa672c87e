// Free-form reads and the fixed-width line read.
//
// The exports hold a million lines of numbers and are read twice, so the common case - a plain
// number lying whole in the unit's buffer - is parsed in place; everything else goes through a
// byte-by-byte scanner that knows every rule. Both round the same decimal value correctly to
// the nearest double, so they cannot disagree.
//
// A line may be of any length, also one without a single separator: only as many bytes of a
// text value are held as the longest text item of the statement can take, and skipping looks
// at the buffer directly, so memory does not grow with a line.
#include "common/recordio/free_reader.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <system_error>

#include "common/recordio/fixed_text.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

constexpr int kMaxDigits = 40;              // significant digits a number keeps
constexpr int64_t kMaxExponent = 99999999;  // the largest exponent a number may write
constexpr int kMaxPlainExponentDigits = 8;  // so that a plain exponent never exceeds the above
constexpr int kLineWidth = 72;              // the width of the fixed-width line read
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

[[noreturn]] void fail_incomprehensible(const char* context) {
  fail_run(context, Failure::text("incomprehensible list input"));
}

[[noreturn]] void fail_invalid_integer() {
  fail_run("invalid integer", Failure::text("read unexpected character"));
}

enum class Held { none, number, text };

// The text value of a statement. It lives across statements so that its room is taken once.
std::string g_text;

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

// The next byte, or kEndOfFile; a read error ends the run.
inline int take(ListRead& r) {
  int c = next_byte(r.u);
  if (c >= 0) return c;
  if (c == kReadError) fail_run("list in", Failure::system(errno));
  r.end_seen = true;
  return c;
}

inline void collect(ListRead& r, int c) {
  if (r.text_length < r.text_room) g_text[r.text_length++] = static_cast<char>(c);
  ++r.text_total;
}

void collect_run(ListRead& r, const char* bytes, size_t n) {
  size_t room = r.text_room - r.text_length;
  size_t kept = n < room ? n : room;
  if (kept > 0) std::memcpy(g_text.data() + r.text_length, bytes, kept);
  r.text_length += kept;
  r.text_total += n;
}

void start_text(ListRead& r) { r.text_length = r.text_total = 0; }

// Skips blanks, and line feeds too when lines is set; returns the first other byte, taken,
// or kEndOfFile.
int skip_blanks(ListRead& r, bool lines) {
  Unit& u = r.u;
  for (;;) {
    if (u.pos < u.len) {
      const char* p = u.buf + u.pos;
      const char* end = u.buf + u.len;
      if (lines) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
      } else {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
      }
      u.pos = static_cast<size_t>(p - u.buf);
      if (p < end) {
        ++u.pos;
        return static_cast<unsigned char>(*p);
      }
    }
    int c = take(r);
    if (c < 0) return c;
    if (!(c == ' ' || c == '\t' || (lines && c == '\n'))) return c;
  }
}

// Skips through the next line feed; false when the file ends first (at_end is then set).
bool skip_line(Unit& u, const char* context) {
  for (;;) {
    if (u.pos < u.len) {
      const void* lf = std::memchr(u.buf + u.pos, '\n', u.len - u.pos);
      if (lf != nullptr) {
        u.pos = static_cast<size_t>(static_cast<const char*>(lf) - u.buf) + 1;
        return true;
      }
      u.pos = u.len;
    }
    int c = refill_byte(u);
    if (c == '\n') return true;
    if (c == kEndOfFile) return false;
    if (c == kReadError) fail_run(context, Failure::system(errno));
  }
}

// ---- Numbers ----------------------------------------------------------------------------

// A decimal value: the kept digits times ten to the exponent.
struct Decimal {
  char digits[kMaxDigits];
  int kept = 0;
  int64_t exponent = 0;
  bool seen = false;  // any digit, a dropped leading zero included
};

// The nearest double, rounded correctly. The digits carry no point, so no locale can interfere.
double decimal_value(const Decimal& d, bool minus) {
  double v = 0.0;
  if (d.kept > 0) {
    int64_t order = d.kept + d.exponent;  // the value lies in [10^(order-1), 10^order)
    if (order > 310) {
      v = std::numeric_limits<double>::infinity();
    } else if (order >= -330) {
      char text[kMaxDigits + 24];
      std::memcpy(text, d.digits, static_cast<size_t>(d.kept));
      char* at = text + d.kept;
      *at++ = 'e';
      at = std::to_chars(at, text + sizeof text, d.exponent).ptr;
      auto result = std::from_chars(text, at, v);
      if (result.ec == std::errc::result_out_of_range) {
        v = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
      }
    }
  }
  return minus ? -v : v;
}

// Integer digits into d; returns the byte after them.
int scan_whole_digits(ListRead& r, int c, Decimal& d) {
  for (; is_digit(c); c = take(r)) {
    d.seen = true;
    if (d.kept == kMaxDigits) {
      ++d.exponent;
    } else if (c != '0' || d.kept > 0) {
      d.digits[d.kept++] = static_cast<char>(c);
    }
  }
  return c;
}

// Fraction digits into d; returns the byte after them.
int scan_fraction_digits(ListRead& r, int c, Decimal& d) {
  for (; is_digit(c); c = take(r)) {
    d.seen = true;
    if (d.kept == 0 && c == '0') {
      --d.exponent;
    } else if (d.kept < kMaxDigits) {
      d.digits[d.kept++] = static_cast<char>(c);
      --d.exponent;
    }
  }
  return c;
}

uint64_t count_of(const Decimal& d) {
  uint64_t count = 0;
  for (int i = 0; i < d.kept && count < kCountCeiling; ++i) {
    count = count * 10 + static_cast<uint64_t>(d.digits[i] - '0');
  }
  return count < kCountCeiling ? count : kCountCeiling;
}

// The general scan of a number item, a repeat count included. The byte that ends the number is
// left unread, whatever it is.
void scan_number(ListRead& r, bool integer) {
  bool counted = false;  // a repeat count came before the value
  for (;;) {
    Decimal d;
    int c = take(r);
    bool minus = false;
    if (is_sign(c)) {
      minus = c == '-';
      c = take(r);
    }
    c = scan_whole_digits(r, c, d);
    if (c == '*' && !counted) {
      if (minus || d.kept == 0 || d.exponent > 0) fail_incomprehensible("bad repetition count");
      r.repeat = count_of(d);
      counted = true;
      continue;
    }
    if (c == '.') {
      if (integer) fail_invalid_integer();
      c = scan_fraction_digits(r, take(r), d);
    }
    if (d.seen && (is_exponent_letter(c) || is_sign(c))) {
      if (is_exponent_letter(c)) {
        if (integer) fail_invalid_integer();
        c = take(r);
      }
      bool negative = false;
      if (is_sign(c)) {
        negative = c == '-';
        c = take(r);
      }
      if (!is_digit(c)) fail_incomprehensible("exponent field");
      int64_t e = 0;
      for (; is_digit(c); c = take(r)) {
        e = e * 10 + (c - '0');
        if (e > kMaxExponent) fail_incomprehensible("exponent field");
      }
      d.exponent += negative ? -e : e;
    }
    if (c >= 0) push_back_byte(r.u);
    if (!d.seen) {
      bool null = c == ',' || c == '/' || (counted && (c == ' ' || c == '\t' || c == '\n'));
      if (!null) fail_incomprehensible("invalid number");
      r.held = Held::none;
      return;
    }
    r.held = Held::number;
    r.number = decimal_value(d, minus);
    return;
  }
}

// A plain number - [sign] digits [. digits] [e|E [sign] digits], with no more significant
// digits than are kept and no more exponent digits than are allowed - that starts at p and is
// followed, before end, by a byte that cannot continue it.
struct PlainNumber {
  double value;
  const char* next;  // the byte after the number
  bool ok;           // false: not a plain number, or not known to end before end
};

PlainNumber parse_plain_number(const char* p, const char* end) {
  constexpr PlainNumber kNone{0.0, nullptr, false};
  bool minus = false;
  if (p < end && (*p == '+' || *p == '-')) {  // the conversion takes no plus sign
    minus = *p == '-';
    ++p;
  }
  // Also keeps out the words for infinity and not-a-number, and a second sign.
  if (p == end || !(is_digit(*p) || *p == '.')) return kNone;
  double v = 0.0;
  auto [q, ec] = std::from_chars(p, end, v);
  if (ec != std::errc() || q == end || has_class(*q, kContinuesNumber)) return kNone;

  const char* mantissa_end = q;
  const char* t = q;
  while (t > p && is_digit(t[-1])) --t;
  if (t > p && (t[-1] == '+' || t[-1] == '-')) {
    mantissa_end = t - 2;  // a sign is taken only right after the exponent letter
  } else if (t > p && (t[-1] == 'e' || t[-1] == 'E')) {
    mantissa_end = t - 1;
  }
  if (mantissa_end != q && q - t > kMaxPlainExponentDigits) return kNone;
  if (mantissa_end - p > kMaxDigits) {  // more bytes than digits can be kept: count them
    int significant = 0;
    for (const char* d = p; d < mantissa_end; ++d) {
      if (is_digit(*d) && (significant > 0 || *d != '0')) ++significant;
    }
    if (significant > kMaxDigits) return kNone;
  }
  return {minus ? -v : v, q, true};
}

// A plain number lying whole in the buffer is converted in place. The conversion itself finds
// the number's end; only what it took is checked afterwards. Returns false, touching nothing,
// for anything else.
bool scan_plain_number(ListRead& r) {
  Unit& u = r.u;
  PlainNumber number = parse_plain_number(u.buf + u.pos, u.buf + u.len);
  if (!number.ok) return false;
  r.held = Held::number;
  r.number = number.value;
  u.pos = static_cast<size_t>(number.next - u.buf);
  return true;
}

// The common line of an export: real items only, all plain numbers on the current line, which
// lies whole in the buffer, separated by blanks or tabs and at most one comma after a value.
// Stores them and takes the line; returns false, touching nothing, for anything else, so that
// the general statement starts from the same place.
bool read_plain_line(Unit& u, std::initializer_list<ReadItem> items) {
  constexpr size_t kMaxItems = 4;
  if (items.size() > kMaxItems || u.pos >= u.len) return false;
  const char* p = u.buf + u.pos;
  const char* lf = static_cast<const char*>(std::memchr(p, '\n', u.len - u.pos));
  if (lf == nullptr) return false;
  double values[kMaxItems];
  size_t k = 0;
  for (const ReadItem& item : items) {
    if (item.kind != ItemKind::real) return false;
    while (*p == ' ' || *p == '\t') ++p;  // stops at the line feed at the latest
    PlainNumber number = parse_plain_number(p, lf + 1);
    if (!number.ok) return false;
    values[k++] = number.value;
    p = number.next;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == ',') ++p;
  }
  k = 0;
  for (const ReadItem& item : items) *static_cast<double*>(item.target) = values[k++];
  u.pos = static_cast<size_t>(lf + 1 - u.buf);
  return true;
}

// ---- Texts ------------------------------------------------------------------------------

// Unquoted text up to a blank, line feed, comma or slash, which is left unread.
void scan_unquoted(ListRead& r) {
  Unit& u = r.u;
  r.held = Held::text;
  for (;;) {
    if (u.pos < u.len) {
      const char* p = u.buf + u.pos;
      const char* end = u.buf + u.len;
      const char* q = p;
      while (q < end && !has_class(*q, kEndsItem)) ++q;
      collect_run(r, p, static_cast<size_t>(q - p));
      u.pos = static_cast<size_t>(q - u.buf);
      if (q < end) return;
    }
    int c = take(r);
    if (c < 0) return;
    if (has_class(c, kEndsItem)) {
      push_back_byte(u);
      return;
    }
    collect(r, c);
  }
}

// Quoted text after its opening quote; false when the file ends inside it.
bool scan_quoted(ListRead& r, int quote) {
  start_text(r);
  int last = -1;  // the byte collected last
  for (;;) {
    int c = take(r);
    if (c < 0) return false;
    if (c == quote) {
      c = take(r);
      if (c != quote) {
        if (c >= 0) push_back_byte(r.u);
        r.held = Held::text;
        return true;
      }
    } else if (c == '\n') {
      // A text may go on over lines; a backslash at a line's end keeps the line break in it.
      if (last == '\\') {
        size_t at = r.text_total - 1;
        if (at < r.text_length) g_text[at] = '\n';
        last = '\n';
      }
      continue;
    }
    collect(r, c);
    last = c;
  }
}

// The scan of a text item, a repeat count included; false when the file ends inside a quoted
// text.
bool scan_text(ListRead& r) {
  start_text(r);
  int c = take(r);
  if (is_digit(c)) {
    uint64_t count = 0;
    for (; is_digit(c); c = take(r)) {
      collect(r, c);
      if (count < kCountCeiling) count = count * 10 + static_cast<uint64_t>(c - '0');
    }
    if (c == '*' && count > 0) {
      r.repeat = count < kCountCeiling ? count : kCountCeiling;
      start_text(r);
      c = take(r);
    } else if (c < 0 || has_class(c, kEndsItem)) {
      if (c >= 0) push_back_byte(r.u);
      r.held = Held::text;
      return true;
    } else {
      push_back_byte(r.u);
      scan_unquoted(r);
      return true;
    }
  }
  if (c == '\'' || c == '"') return scan_quoted(r, c);
  if (c < 0 || c == ' ' || c == '\t' || c == ',' || c == '/') {
    if (c >= 0) push_back_byte(r.u);
    r.held = Held::none;
    return true;
  }
  push_back_byte(r.u);
  scan_unquoted(r);
  return true;
}

// ---- The statement ----------------------------------------------------------------------

// After a value: blanks are skipped and one comma taken with the value's last use, so that a
// comma after a repeated value separates it from the next value, not from its own repeats.
void end_value(ListRead& r) {
  int c = skip_blanks(r, false);
  if (c < 0) return;
  if (c == ',' && r.repeat <= 1) return;
  push_back_byte(r.u);
}

void store(const ListRead& r, const ReadItem& item) {
  switch (item.kind) {
    case ItemKind::real:
      if (r.held == Held::number) *static_cast<double*>(item.target) = r.number;
      break;
    case ItemKind::integer:
      if (r.held == Held::number) {
        // Beyond the 32-bit range the nearest end of it, rather than an undefined conversion.
        int32_t v;
        if (r.number >= 2147483647.0) {
          v = std::numeric_limits<int32_t>::max();
        } else if (r.number <= -2147483648.0) {
          v = std::numeric_limits<int32_t>::min();
        } else {
          v = static_cast<int32_t>(r.number);  // toward zero
        }
        *static_cast<int32_t*>(item.target) = v;
      }
      break;
    case ItemKind::text:
      if (r.held == Held::text) {
        text_assign(static_cast<char*>(item.target), item.length, g_text.data(),
                    static_cast<int>(r.text_length));
      }
      break;
  }
}

ReadOutcome end_of_file(const ListRead& r, const char* context) {
  if (!r.end_branch) fail_run(context, Failure::end_of_file());
  end_statement();
  return ReadOutcome::end_of_file;
}

}  // namespace

ReadOutcome read_free(int n, std::initializer_list<ReadItem> items, bool has_end_branch) {
  Unit& u = unit(n);
  begin_statement(n, "list io", false);
  begin_reading(u, "read start");
  ListRead r{u, has_end_branch};
  for (const ReadItem& item : items) {
    if (item.kind == ItemKind::text && item.length > 0) {
      size_t length = static_cast<size_t>(item.length);
      if (length > r.text_room) r.text_room = length;
    }
  }
  if (g_text.size() < r.text_room) {
    try {
      g_text.resize(r.text_room);
    } catch (const std::bad_alloc&) {
      fail_out_of_memory();
    }
  }
  if (u.at_end) return end_of_file(r, "read start");
  if (read_plain_line(u, items)) {
    end_statement();
    return ReadOutcome::completed;
  }

  for (const ReadItem& item : items) {
    if (r.end_seen) return end_of_file(r, "list in");
    if (r.repeat == 0) {
      // A value may stand on a later line than the one before it.
      int c = skip_blanks(r, true);
      if (c < 0) return end_of_file(r, "list in");
      if (c == '/') break;  // this item and all later ones keep their values
      if (c == ',') continue;
      push_back_byte(u);
      if (item.kind == ItemKind::text) {
        if (!scan_text(r)) {
          if (has_end_branch) return end_of_file(r, "list in");
          r.held = Held::none;  // the item keeps its value; a later item meets the end
        }
      } else if (item.kind == ItemKind::integer || !scan_plain_number(r)) {
        scan_number(r, item.kind == ItemKind::integer);
      }
    }
    end_value(r);
    store(r, item);
    if (r.repeat > 0) --r.repeat;
  }

  // The rest of the line is never read: the next statement starts on the next line.
  if (!r.end_seen && !skip_line(u, "list in") && has_end_branch) {
    end_statement();
    return ReadOutcome::end_of_file;
  }
  end_statement();
  return ReadOutcome::completed;
}

void read_text_line(int n, char* target72) {
  Unit& u = unit(n);
  begin_statement(n, "(A72)", false);
  begin_reading(u, "read start");
  if (u.at_end) fail_run("read start", Failure::end_of_file());
  int filled = 0;
  while (filled < kLineWidth) {
    if (u.pos < u.len) {
      size_t want = static_cast<size_t>(kLineWidth - filled);
      size_t available = u.len - u.pos;
      size_t n_bytes = available < want ? available : want;
      const char* p = u.buf + u.pos;
      const void* lf = std::memchr(p, '\n', n_bytes);
      if (lf != nullptr) {
        // The line feed stays unread: the skip below takes it.
        size_t part = static_cast<size_t>(static_cast<const char*>(lf) - p);
        std::memcpy(target72 + filled, p, part);
        u.pos += part;
        std::memset(target72 + filled + part, ' ', want - part);
        filled = kLineWidth;
        break;
      }
      std::memcpy(target72 + filled, p, n_bytes);
      u.pos += n_bytes;
      filled += static_cast<int>(n_bytes);
      continue;
    }
    int c = refill_byte(u);
    if (c == kEndOfFile) fail_run("fmt", Failure::end_of_file());
    if (c == kReadError) fail_run("fmt", Failure::system(errno));
    push_back_byte(u);
  }
  // A longer line is cut; an end of the file here is met by the next read, at its start.
  skip_line(u, "fmt");
  end_statement();
}

}  // namespace convkit
