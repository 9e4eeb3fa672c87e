// The byte-level steps of the free-form scanners.
#include "common/recordio/detail/list_read.h"

#include <cerrno>
#include <cstring>

#include "common/recordio/run_end.h"

namespace convkit::detail {

std::string g_text;

[[noreturn]] void fail_incomprehensible(const char* context) {
  fail_run(context, Failure::text("incomprehensible list input"));
}

[[noreturn]] void fail_invalid_integer() {
  fail_run("invalid integer", Failure::text("read unexpected character"));
}

int take_after_buffer(ListRead& r, int c) {
  if (c == kReadError) fail_run("list in", Failure::system(errno));
  r.end_seen = true;
  return c;
}

void collect_run(ListRead& r, const char* bytes, size_t n) {
  size_t room = r.text_room - r.text_length;
  size_t kept = n < room ? n : room;
  if (kept > 0) std::memcpy(g_text.data() + r.text_length, bytes, kept);
  r.text_length += kept;
  r.text_total += n;
}

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

}  // namespace convkit::detail
