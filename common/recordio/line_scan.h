// Lines of a file, one pass: where each line starts, how it ends, and its first bytes. It serves
// the check's own look at the bytes (line ends, zero bytes, a byte-order mark) and the trace
// reader (its lines, one at a time). Memory stays fixed whatever the file: a line longer than
// kKeptBytes is seen by its first bytes only.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace convkit {

inline constexpr size_t kKeptBytes = 4096;

/// One line of a file.
struct Line {
  int64_t number = 0;     // from 1
  int64_t offset = 0;     // of its first byte in the file
  int64_t length = 0;     // its bytes, the line feed not counted
  std::string_view text;  // its first bytes (all when length <= kKeptBytes), no line feed
  bool ended = false;     // a line feed ends it (else the file does)
  bool crlf = false;      // its last byte before the line feed is a carriage return

  /// The text without the carriage return of a CR LF end.
  std::string_view visible() const {
    return crlf && text.size() == static_cast<size_t>(length) ? text.substr(0, text.size() - 1)
                                                              : text;
  }
};

/// Whether reading a pipe waits for its writer: the check must never wait (a FIFO without a
/// writer reads as empty, a pipe without data yet as a read error); a reader does.
enum class PipeWait { no, yes };

/// Reads a file line by line.
class LineScan {
 public:
  /// Opens path for reading only.
  explicit LineScan(const std::string& path, PipeWait wait = PipeWait::no);
  ~LineScan();
  LineScan(const LineScan&) = delete;
  LineScan& operator=(const LineScan&) = delete;

  /// Whether the file could be opened; else the system's error number.
  bool ok() const { return fd_ >= 0; }
  /// The system's error number of a failed open or read, or 0.
  int error() const { return error_; }
  /// The next line; false at the end of the file. After a read error, error() is set and the
  /// line, if any, is cut where the error came.
  bool next(Line& line);
  /// The offset of the first zero byte seen so far, or -1.
  int64_t first_zero() const { return first_zero_; }
  /// The file's first bytes (up to 4), read at the first line.
  std::string_view start() const { return start_; }

 private:
  bool fill();
  bool next_across(Line& line);
  void take_in_place(Line& line, const char* p, const char* lf);

  int fd_ = -1;
  int error_ = 0;
  std::vector<char> buf_;
  size_t pos_ = 0;
  size_t len_ = 0;
  int64_t base_ = 0;  // file offset of buf_[0]
  std::string kept_;
  int64_t number_ = 0;
  int64_t first_zero_ = -1;
  std::string start_;
};

// Inline, as the trace reader calls it a million times a second: a whole line inside the
// buffer, the common case, is seen in place without a call.
inline bool LineScan::next(Line& line) {
  const char* p = buf_.data() + pos_;
  const void* lf = pos_ < len_ ? std::memchr(p, '\n', len_ - pos_) : nullptr;
  if (lf == nullptr) return next_across(line);
  take_in_place(line, p, static_cast<const char*>(lf));
  return true;
}

inline void LineScan::take_in_place(Line& line, const char* p, const char* lf) {
  line.number = ++number_;
  line.offset = base_ + static_cast<int64_t>(pos_);
  line.text = std::string_view(p, static_cast<size_t>(lf - p));
  line.length = lf - p;
  line.ended = true;
  line.crlf = !line.text.empty() && line.text.back() == '\r';
  pos_ = static_cast<size_t>(lf - buf_.data()) + 1;
}

/// Whether bytes begin with a UTF-16 byte-order mark (FF FE or FE FF).
bool begins_utf16_mark(std::string_view bytes);

/// Whether bytes begin with the UTF-8 byte-order mark (EF BB BF).
bool begins_utf8_mark(std::string_view bytes);

}  // namespace convkit
