// The bytes of a unit, for the record layer's own statements only.
//
// A unit owns a file descriptor and one buffer. While a unit is read, the buffer holds bytes
// of the file ahead of the read position; while it is written, it holds records formed but not
// yet handed to the file. A record is formed in place behind the committed bytes and committed
// whole when it ends, so a flush - at any moment, a signal report's included - never hands a
// partial record to the file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "common/recordio/unit.h"

namespace convkit::detail {

enum class Direction {
  neutral,                // nothing, or reading, since the last switch
  writing,                // the last statement wrote
  rewound_after_writing,  // rewound after writing: the cut has been made
};

struct Unit {
  int fd = -1;             // -1: not connected
  int number = 0;          // 0 to 99
  bool named = false;      // false for a standard stream
  std::string name;        // the file name as opened, trailing blanks removed
  bool seekable = false;   // not a terminal
  bool may_read = false;   // what the open mode allows
  bool may_write = false;  // what the open mode allows
  bool at_end = false;     // a read has met the end of the file
  bool regular = false;    // a regular file: dev and ino identify it
  bool fifo = false;       // a named FIFO, opened without a write end of its own
  bool cr_lf = false;      // records end in CR LF instead of a line feed
  dev_t dev = 0;
  ino_t ino = 0;
  Direction direction = Direction::neutral;

  // The buffer. Reading: bytes [pos, len) are the file's next bytes. Writing: bytes
  // [0, committed) are whole records waiting for the file, [committed, len) the record being
  // formed.
  char* buf = nullptr;
  size_t cap = 0;
  size_t pos = 0;
  size_t len = 0;
  size_t committed = 0;
  bool reading = false;  // the buffer holds read-ahead bytes
  bool moved = false;    // read or written since it was connected or rewound
};

/// The unit numbered n (0 to 99); its storage lives for the whole process.
Unit& unit(int n);

inline constexpr int kEndOfFile = -1;
inline constexpr int kReadError = -2;  // errno holds the system's error

/// Makes unit u ready for a read statement: a written unit is switched to reading (reopened
/// when its mode does not allow it). Ends the run with context, "can't read file" when that
/// is impossible. Does not look at at_end.
void begin_reading(Unit& u, const char* context);

/// Refills the read buffer and returns its next byte, kEndOfFile (and sets at_end), or
/// kReadError. Acts on a pending signal report, also one that arrives while the read waits.
int refill_byte(Unit& u);

/// The next byte of u, kEndOfFile or kReadError.
inline int next_byte(Unit& u) {
  if (u.pos < u.len) return static_cast<unsigned char>(u.buf[u.pos++]);
  return refill_byte(u);
}

/// Gives back the byte last taken by next_byte (at most one, and not after kEndOfFile).
inline void push_back_byte(Unit& u) { --u.pos; }

/// Makes unit u ready for a write statement: switches it to writing (reopened for reading and
/// writing when its mode does not allow it). Ends the run with context, "can't write file".
void begin_writing(Unit& u, const char* context);

/// Room for at least n more bytes of the record being formed; returns where they go. Earlier
/// whole records may be flushed to make room; the record itself may grow without limit.
char* reserve_bytes(Unit& u, size_t n);

/// Marks the bytes up to end (inside the reserved room) as part of the record being formed.
inline void extend_record(Unit& u, const char* end) { u.len = static_cast<size_t>(end - u.buf); }

/// Ends the record being formed with a line feed (CR LF when the unit says so) and commits it. Acts
/// on a pending signal report afterwards, so an interrupt leaves only whole records behind.
void end_record(Unit& u);

/// Hands the committed records of u to the file. Ends the run with "write" and the system's
/// text when the file refuses them (the console's own failures are ignored), and acts on a
/// signal report that arrives while the file's reader keeps the write waiting.
void flush_unit(Unit& u);

}  // namespace convkit::detail
