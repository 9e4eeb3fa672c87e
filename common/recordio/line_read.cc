// The fixed-width read of one 72-character line, "(A72)": the bytes as they stand, separators
// and all, so that a control file's name line keeps everything the cut must see.
#include "common/recordio/line_read.h"

#include <cerrno>
#include <cstring>

#include "common/recordio/detail/list_read.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {

void read_text_line(int n, char* target72) {
  Unit& u = unit(n);
  begin_statement(n, "(A72)", false);
  begin_reading(u, "read start");
  if (u.at_end) fail_run("read start", Failure::end_of_file());
  int filled = 0;
  while (filled < kLineLength) {
    if (u.pos < u.len) {
      size_t want = static_cast<size_t>(kLineLength - filled);
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
        filled = kLineLength;
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
  detail::skip_line(u, "fmt");
  end_statement();
}

}  // namespace convkit
