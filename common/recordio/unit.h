// Numbered units: the connections between a program and its files or standard streams.
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
#include <string_view>

namespace convkit {

inline constexpr int kUnitCount = 100;
inline constexpr int kErrorUnit = 0;
inline constexpr int kInputUnit = 5;
inline constexpr int kConsoleUnit = 6;
// The size of a unit's buffer when it is made; only a record longer than that grows it.
inline constexpr size_t kUnitBufferSize = 64 * 1024;

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

/// Connects units 0, 5 and 6 to standard error, input and output; done once by start_run.
void connect_standard_units();

/// Connects unit n to the file named by the first name_length characters of name, trying
/// "r+", "r", then "w". A unit already connected to exactly that name is left alone. Ends the
/// run with "open" on an empty name, on a file already connected to another unit, or when no
/// mode opens the file.
void open_unit(int n, const char* name, int name_length);

/// The name an open of name reaches: trailing blanks removed, then ended at a zero byte (the
/// system reads a file name up to its first zero byte).
std::string_view opened_name(std::string_view name);

/// Whether unit n is connected to the regular file that path reaches.
bool unit_is_file(int n, std::string_view path);

/// Repositions unit n at its first byte; a unit that was written is cut first. Ends the run with
/// "rewind" on a terminal.
void rewind_unit(int n);

/// Empties the regular file of unit n, which stands at its start (just opened and rewound), so
/// that no older content survives behind what the run writes. Ends the run with "endfile" when
/// the file system refuses.
void empty_unit(int n);

/// Disconnects unit n and keeps its file, cut after the last byte written. Ends the run with
/// "write" or "close" when the file system refuses the last bytes or the close.
void close_unit(int n);

/// The byte offset in its file at which the next read of unit n starts; -1 when unit n is not
/// connected or cannot tell. One system call: for a check, not for every statement.
off_t unit_offset(int n);

/// Closes units 0 to 99 once per process, ignoring every failure. Safe to call at any moment
/// the main flow is stopped at (atexit, a deferred signal report, the failure path).
void close_all_units();

// ---- Byte level, for the statements of the record layer -----------------------------------

inline constexpr int kEndOfFile = -1;
inline constexpr int kReadError = -2;  // errno holds the system's error

/// Makes unit u ready for a read statement: a written unit is switched to reading (reopened
/// when its mode does not allow it). Ends the run with context, "can't read file" when that
/// is impossible. Does not look at at_end.
void begin_reading(Unit& u, const char* context);

/// Refills the read buffer and returns its next byte, kEndOfFile (and sets at_end), or
/// kReadError. Acts on a pending signal report.
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

/// Ends the record being formed with a line feed and commits it. Acts on a pending signal
/// report afterwards, so an interrupt leaves only whole records behind.
void end_record(Unit& u);

/// Hands the committed records of u to the file. Ends the run with "write" and the system's
/// text when the file refuses them (the console's own failures are ignored).
void flush_unit(Unit& u);

}  // namespace convkit
