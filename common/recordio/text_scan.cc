// Texts of free-form items: unquoted up to a separator, or quoted and then free to hold
// separators and line breaks.
#include "common/recordio/detail/text_scan.h"

namespace convkit::detail {
namespace {

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

}  // namespace

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

}  // namespace convkit::detail
