// Whole lines inside the buffer are seen in place; only a line that crosses the end of the
// buffer is copied, and then no more than kKeptBytes of it.
#include "common/recordio/line_scan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace convkit {
namespace {

// Small enough to stay in the core's cache while its lines are looked at: a larger buffer reads
// more slowly.
constexpr size_t kBufferBytes = 64 * 1024;

}  // namespace

LineScan::LineScan(const std::string& path, PipeWait wait) : buf_(kBufferBytes) {
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | (wait == PipeWait::no ? O_NONBLOCK : 0));
  if (fd_ < 0) error_ = errno;
}

LineScan::~LineScan() {
  if (fd_ >= 0) close(fd_);
}

bool LineScan::fill() {
  base_ += static_cast<int64_t>(len_);
  pos_ = len_ = 0;
  for (;;) {
    ssize_t n = read(fd_, buf_.data(), buf_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) error_ = errno;
      return false;
    }
    len_ = static_cast<size_t>(n);
    if (first_zero_ < 0) {
      const void* zero = std::memchr(buf_.data(), 0, len_);
      if (zero != nullptr) {
        first_zero_ = base_ + (static_cast<const char*>(zero) - buf_.data());
      }
    }
    if (base_ == 0) start_.assign(buf_.data(), len_ < 4 ? len_ : 4);
    return true;
  }
}

// The line crosses the end of the buffer (or the buffer is used up).
bool LineScan::next_across(Line& line) {
  if (fd_ < 0) return false;
  if (pos_ == len_ && !fill()) return false;
  const char* p = buf_.data() + pos_;
  const char* lf = static_cast<const char*>(std::memchr(p, '\n', len_ - pos_));
  if (lf != nullptr) {
    take_in_place(line, p, lf);
    return true;
  }
  line.number = ++number_;
  line.offset = base_ + static_cast<int64_t>(pos_);
  // The line goes on past the buffer: keep its first bytes and its last one.
  kept_.clear();
  int64_t length = 0;
  char last = 0;
  line.ended = false;
  for (;;) {
    p = buf_.data() + pos_;
    size_t avail = len_ - pos_;
    lf = static_cast<const char*>(std::memchr(p, '\n', avail));
    size_t part = lf != nullptr ? static_cast<size_t>(lf - p) : avail;
    size_t room = kKeptBytes - kept_.size();
    kept_.append(p, part < room ? part : room);
    length += static_cast<int64_t>(part);
    if (part > 0) last = p[part - 1];
    if (lf != nullptr) {
      pos_ += part + 1;
      line.ended = true;
      break;
    }
    pos_ = len_;
    if (!fill()) break;
  }
  line.text = kept_;
  line.length = length;
  line.crlf = line.ended && last == '\r';
  return true;
}

// A file saved as UTF-16 or with a UTF-8 mark looks the same as plain text in most editors; only
// its first bytes tell.
bool begins_utf16_mark(std::string_view bytes) {
  return bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
}

bool begins_utf8_mark(std::string_view bytes) { return bytes.substr(0, 3) == "\xEF\xBB\xBF"; }

}  // namespace convkit
