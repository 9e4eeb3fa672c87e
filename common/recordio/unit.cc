// Units over plain file descriptors with one buffer each.
//
// A unit's buffer is either read-ahead (reading) or whole records plus the record being formed
// (writing). Switching direction settles the descriptor's offset at the logical position, so
// reads and writes of one unit interleave as on a single stream. Failures while every unit is
// being closed at the end of a run are ignored: the run is ending anyway, and a second report
// would hide the first.
#include "common/recordio/unit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "common/recordio/detail/unit_bytes.h"
#include "common/recordio/run_end.h"

namespace convkit {

using namespace detail;

namespace {

Unit g_units[kUnitCount];
bool g_closing_all = false;   // inside close_all_units: failures are not reported
bool g_reading_only = false;  // a check: opens read, never write or create

void ensure_buffer(Unit& u) {
  if (u.buf != nullptr) return;
  u.buf = static_cast<char*>(std::malloc(kUnitBufferSize));
  if (u.buf == nullptr) fail_out_of_memory();
  u.cap = kUnitBufferSize;
}

void release_buffer(Unit& u) {
  std::free(u.buf);
  u.buf = nullptr;
  u.cap = u.pos = u.len = u.committed = 0;
  u.reading = false;
}

// The descriptor's offset less the read-ahead still in the buffer.
off_t logical_position(const Unit& u) {
  off_t at = lseek(u.fd, 0, SEEK_CUR);
  if (at < 0) return at;
  if (u.reading) at -= static_cast<off_t>(u.len - u.pos);
  return at;
}

// Drops the read-ahead and puts the descriptor where the reading stood.
void settle_read_ahead(Unit& u) {
  if (!u.reading) return;
  if (u.len > u.pos && u.seekable) {
    off_t at = logical_position(u);
    if (at >= 0) lseek(u.fd, at, SEEK_SET);
  }
  u.pos = u.len = u.committed = 0;
  u.reading = false;
}

// Forgets the committed records; the record being formed moves to the front of the buffer.
void discard_committed(Unit& u) {
  size_t rest = u.len - u.committed;
  if (rest > 0) std::memmove(u.buf, u.buf + u.committed, rest);
  u.len = rest;
  u.committed = 0;
}

// After a write that took only the first done committed bytes and will not go on: a named
// regular file that took part of a record is set back to the end of its last whole record, so
// that the cut at close leaves whole records only. The rest is dropped: a later close must not
// write it.
void drop_unwritten(Unit& u, size_t done) {
  if (u.named && u.regular && done > 0 && u.buf[done - 1] != '\n') {
    size_t whole = done - 1;
    while (whole > 0 && u.buf[whole - 1] != '\n') --whole;
    lseek(u.fd, -static_cast<off_t>(done - whole), SEEK_CUR);
  }
  discard_committed(u);
}

// Writes the committed records; returns 0 or the system's error. A write cut short by a signal
// means that the reader of a pipe or FIFO keeps it waiting: the signal is reported at once, and
// what the reader did not take is dropped, or the closing at the end of the run would wait for
// that reader again.
int write_committed(Unit& u) {
  size_t done = 0;
  while (done < u.committed) {
    ssize_t n = write(u.fd, u.buf + done, u.committed - done);
    if (n >= 0) {
      done += static_cast<size_t>(n);
    } else if (errno != EINTR || g_closing_all) {
      // Refused, or interrupted while the run ends: by a second signal, so the reader is not
      // coming.
      int error = errno;
      drop_unwritten(u, done);
      return error;
    }
    if (done < u.committed && g_pending_signal != 0 && !g_closing_all) {
      drop_unwritten(u, done);
      poll_signals();
    }
  }
  discard_committed(u);
  return 0;
}

// Truncates a named, seekable file at its position; returns false when the truncation fails.
bool cut_at_position(Unit& u) {
  if (!u.named || !u.seekable) return true;
  off_t at = lseek(u.fd, 0, SEEK_CUR);
  struct stat st;
  if (at < 0 || fstat(u.fd, &st) != 0 || !S_ISREG(st.st_mode)) return true;
  if (st.st_size <= at) return true;
  return ftruncate(u.fd, at) == 0;
}

void disconnect(Unit& u) {
  release_buffer(u);
  u.fd = -1;
  u.named = false;
  u.name.clear();
  u.at_end = false;
  u.regular = false;
  u.fifo = false;
  u.direction = Direction::neutral;
}

// A file name is the text given less its trailing blanks.
std::string_view without_trailing_blanks(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// What a unit learns of the descriptor it is connected to; the one place a unit is filled.
struct Connection {
  int fd = -1;
  bool named = false;
  std::string name;
  bool may_read = false;
  bool may_write = false;
  bool fifo = false;
  Direction direction = Direction::neutral;
};

void connect(int n, Connection c) {
  Unit& u = g_units[n];
  u.number = n;
  u.fd = c.fd;
  u.named = c.named;
  u.name = std::move(c.name);
  u.seekable = isatty(c.fd) == 0;
  u.may_read = c.may_read;
  u.may_write = c.may_write;
  u.at_end = false;
  struct stat st;
  u.regular = fstat(c.fd, &st) == 0 && S_ISREG(st.st_mode);
  u.fifo = c.fifo;
  u.cr_lf = false;
  u.dev = u.regular ? st.st_dev : 0;
  u.ino = u.regular ? st.st_ino : 0;
  u.direction = c.direction;
  u.pos = u.len = u.committed = 0;
  u.reading = false;
  u.moved = false;
}

void connect_stream(int n, int fd, Direction direction) {
  connect(n, {fd, false, {}, n == kInputUnit, n != kInputUnit, false, direction});
}

// The descriptor for a named file, tried "r+", "r", then created when missing; the connection
// it makes, or the open's failure.
constexpr const char* kCantBackspace = "can't backspace file";

Connection open_file(const std::string& file) {
  Connection c{-1, true, file, true, true, false, Direction::neutral};
  struct stat st;
  c.fifo = stat(file.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  if (c.fifo) {
    // A FIFO is read to the end its writer gives it only while no write end of it is ours. The
    // open does not wait for a writer (the first read does), and a write statement reopens it
    // for writing only, so that an output FIFO waits for its reader.
    c.may_write = false;
    c.fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (c.fd >= 0) fcntl(c.fd, F_SETFL, fcntl(c.fd, F_GETFL) & ~O_NONBLOCK);
  } else {
    c.fd = g_reading_only ? -1 : open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (c.fd < 0) {
      c.may_write = false;
      c.fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    }
    // The third attempt only creates a missing file: an existing one that cannot be read (a
    // file that may only be written) is refused with the reading attempt's error, unchanged.
    // Nor does it truncate: a file that someone else made in the meantime is kept as it is.
    if (c.fd < 0 && errno == ENOENT && !g_reading_only) {
      c.may_read = false;
      c.may_write = true;
      c.fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
      c.direction = Direction::writing;
    }
  }
  if (c.fd < 0) fail_run("open", Failure::system(errno));
  return c;
}

// One file, one unit: a regular file already connected to another unit is refused before a
// byte of it changes.
void refuse_second_unit(int n, int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
  for (int other = 0; other < kUnitCount; ++other) {
    const Unit& o = g_units[other];
    if (other == n || o.fd < 0 || !o.regular) continue;
    if (o.dev == st.st_dev && o.ino == st.st_ino) {
      close(fd);
      std::string message = "file already connected to unit " + std::to_string(other);
      fail_run("open", Failure::text(message));
    }
  }
}

// The unit goes on with another descriptor for the same file, its buffer empty.
void take_descriptor(Unit& u, int fd, bool may_read, bool may_write) {
  u.fd = fd;
  u.may_read = may_read;
  u.may_write = may_write;
  u.pos = u.len = u.committed = 0;
  u.reading = false;
}

// Opens a FIFO for writing only, as a shell redirection does: the open waits for a reader, so
// no line goes into a pipe that nobody reads. The FIFO's read end is given up first, or the run
// would be its own reader. A signal ends the wait with its report.
bool reopen_fifo_for_writing(Unit& u) {
  close(u.fd);
  u.fd = -1;
  int fd;
  while ((fd = open(u.name.c_str(), O_WRONLY | O_CLOEXEC)) < 0 && errno == EINTR) poll_signals();
  if (fd < 0) {
    begin_open(u.number, u.name);  // the report names the file the unit held
    return false;
  }
  take_descriptor(u, fd, false, true);
  return true;
}

// Reopens a unit's file for reading and writing at its logical position, or for reading only
// when allow_read_only; returns false when neither works.
bool reopen(Unit& u, bool allow_read_only) {
  if (!u.named) return false;
  if (u.fifo && !allow_read_only) return reopen_fifo_for_writing(u);
  off_t at = logical_position(u);
  int fd = open(u.name.c_str(), O_RDWR | O_CLOEXEC);
  bool can_write = fd >= 0;
  if (fd < 0 && allow_read_only) fd = open(u.name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  if (at > 0) lseek(fd, at, SEEK_SET);
  close(u.fd);
  take_descriptor(u, fd, true, can_write);
  return true;
}

void close_quietly(Unit& u) {
  if (u.fd < 0) return;
  if (u.direction == Direction::writing) {
    if (u.committed > 0) write_committed(u);
    cut_at_position(u);
  }
  if (u.named) close(u.fd);
  disconnect(u);
}

}  // namespace

Unit& detail::unit(int n) { return g_units[n]; }

void connect_standard_units() {
  for (int n = 0; n < kUnitCount; ++n) g_units[n].number = n;
  connect_stream(kErrorUnit, STDERR_FILENO, Direction::writing);
  connect_stream(kInputUnit, STDIN_FILENO, Direction::neutral);
  connect_stream(kConsoleUnit, STDOUT_FILENO, Direction::writing);
}

void open_unit(int n, const char* name, int name_length) {
  const std::string_view given(name, name_length > 0 ? static_cast<size_t>(name_length) : 0);
  const std::string file(without_trailing_blanks(given));
  begin_open(n, {});
  const Unit& u = g_units[n];
  if (u.fd >= 0) {
    if (u.named && u.name == file && file.size() == given.size()) return;
    close_unit(n);
  }
  begin_open(n, file);
  if (file.empty()) fail_run("open", Failure::text("null file name"));
  Connection c = open_file(file);
  refuse_second_unit(n, c.fd);
  connect(n, std::move(c));
  begin_open(n, {});
}

OpenForecast forecast_open(std::string_view given) {
  OpenForecast f;
  const std::string file(without_trailing_blanks(given));
  if (file.empty()) {
    f.failure = "open: null file name";
    return f;
  }
  // The attempts of open_file, asked of the file system as the running user: reading and
  // writing, reading only, then the create of a missing file in its folder.
  auto may = [](const std::string& path, int mode) {
    return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
  };
  const auto folder_of = [](const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? "/" : path.substr(0, slash);
  };
  f.folder = folder_of(file);
  struct stat st;
  f.fifo = stat(file.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  if (f.fifo) f.rewind_failure = std::string("rewind: ") + kCantBackspace;
  if ((!f.fifo && may(file, R_OK | W_OK)) || may(file, R_OK)) return f;
  int error = errno;
  if (error == ENOENT && !f.fifo) {
    // The create follows a link that leads nowhere: the file is made where the link points.
    std::string path = file;
    char target[4096];
    for (int hops = 0; hops < 40; ++hops) {
      const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
      if (n <= 0) break;
      const std::string to(target, static_cast<size_t>(n));
      const size_t slash = path.rfind('/');
      path = to[0] == '/' || slash == std::string::npos ? to : path.substr(0, slash + 1) + to;
    }
    if (path != file) f.created = path;
    f.folder = folder_of(path);
    if (may(f.folder, W_OK | X_OK)) {
      f.creates = true;
      return f;
    }
    error = errno;
  }
  f.failure = "open: " + std::string(std::strerror(error));
  return f;
}

void open_units_for_reading_only() { g_reading_only = true; }

bool units_open_for_reading_only() { return g_reading_only; }

std::string_view opened_name(std::string_view name) {
  name = without_trailing_blanks(name);
  return name.substr(0, name.find('\0'));
}

void end_records_with_cr_lf(int n) { g_units[n].cr_lf = true; }

bool unit_is_file(int n, std::string_view path) {
  const Unit& u = g_units[n];
  struct stat st;
  return u.fd >= 0 && u.regular && stat(std::string(path).c_str(), &st) == 0 &&
         st.st_dev == u.dev && st.st_ino == u.ino;
}

void rewind_unit(int n) {
  Unit& u = g_units[n];
  if (u.fd < 0 || u.direction == Direction::rewound_after_writing) return;
  if (!u.seekable) fail_run("rewind", Failure::text("can't backspace file"));
  if (u.direction == Direction::writing) {
    flush_unit(u);
    if (!cut_at_position(u)) fail_run("endfile", Failure::text("truncation failed in endfile"));
    u.direction = Direction::rewound_after_writing;
  }
  // A unit that has not moved since it was connected stands at its start already; a pipe
  // cannot be repositioned, but need not be.
  if (u.moved || u.reading) {
    if (lseek(u.fd, 0, SEEK_SET) < 0) fail_run("rewind", Failure::text(kCantBackspace));
  }
  u.pos = u.len = u.committed = 0;
  u.reading = false;
  u.moved = false;
  u.at_end = false;
}

void empty_unit(int n) {
  Unit& u = g_units[n];
  // A file the unit may not write is left for the first write statement to refuse.
  if (u.fd < 0 || !u.named || !u.regular || u.moved || !u.may_write) return;
  if (ftruncate(u.fd, 0) != 0) fail_run("endfile", Failure::text("truncation failed in endfile"));
}

void require_unit_file_in_place(int n) {
  const Unit& u = g_units[n];
  if (u.fd < 0 || !u.named || !u.regular) return;
  struct stat st;
  if (stat(u.name.c_str(), &st) != 0) fail_run_on_unit(n, "close", Failure::system(errno));
  if (st.st_dev != u.dev || st.st_ino != u.ino) {
    fail_run_on_unit(n, "close", Failure::text("another file has taken the file's name"));
  }
}

void close_unit(int n) {
  Unit& u = g_units[n];
  if (u.fd < 0) return;
  if (g_closing_all) {
    close_quietly(u);
    return;
  }
  if (u.direction == Direction::writing) {
    flush_unit(u);
    if (!cut_at_position(u)) fail_run("endfile", Failure::text("truncation failed in endfile"));
  }
  if (u.named && close(u.fd) != 0 && errno != EINTR) {
    int error = errno;
    u.direction = Direction::neutral;  // nothing is left to write
    fail_run_on_unit(n, "close", Failure::system(error));
  }
  disconnect(u);
}

bool unit_connected(int n) { return n >= 0 && n < kUnitCount && g_units[n].fd >= 0; }

off_t unit_offset(int n) {
  const Unit& u = g_units[n];
  if (u.fd < 0) return -1;
  return logical_position(u);
}

void close_all_units() {
  static bool done = false;
  bool watched = run_ends_watched();
  if (done && !watched) return;
  done = true;
  // A console whose reader has gone must not end the process before the files are cut.
  std::signal(SIGPIPE, SIG_IGN);
  g_closing_all = true;
  mark_no_statement_in_progress();
  for (int n = 0; n < kUnitCount; ++n) close_quietly(g_units[n]);
  g_closing_all = false;
}

void detail::begin_reading(Unit& u, const char* context) {
  if (u.fd < 0) fail_run(context, Failure::text("unit not connected"));
  if (u.direction != Direction::neutral) {
    if (u.direction == Direction::writing) flush_unit(u);
    if (!u.may_read && !reopen(u, true)) fail_run(context, Failure::text("can't read file"));
    u.pos = u.len = u.committed = 0;
    u.direction = Direction::neutral;
  }
  if (!u.reading) {
    u.pos = u.len = 0;
    u.reading = true;
  }
}

int detail::refill_byte(Unit& u) {
  if (u.at_end) return kEndOfFile;
  ensure_buffer(u);
  u.moved = true;
  for (;;) {
    poll_signals();
    if (u.fifo && !u.may_write) {
      // Until a writer has come, a FIFO would read as empty: wait for its first bytes or for
      // its writer to go.
      struct pollfd ready = {u.fd, POLLIN, 0};
      if (poll(&ready, 1, -1) < 0 && errno == EINTR) continue;
    }
    ssize_t n = read(u.fd, u.buf, u.cap);
    if (n > 0) {
      u.len = static_cast<size_t>(n);
      u.pos = 1;
      return static_cast<unsigned char>(u.buf[0]);
    }
    u.pos = u.len = 0;
    if (n == 0) {
      u.at_end = true;
      return kEndOfFile;
    }
    if (errno != EINTR) return kReadError;
  }
}

void detail::begin_writing(Unit& u, const char* context) {
  if (u.fd < 0) fail_run(context, Failure::text("unit not connected"));
  if (u.reading) settle_read_ahead(u);
  if (!u.may_write && !reopen(u, false)) fail_run(context, Failure::text("can't write file"));
  u.direction = Direction::writing;
  u.moved = true;
}

char* detail::reserve_bytes(Unit& u, size_t n) {
  ensure_buffer(u);
  if (u.cap - u.len >= n) return u.buf + u.len;
  if (u.committed > 0) flush_unit(u);
  if (u.cap - u.len < n) {
    size_t want = u.len + n;
    size_t cap = u.cap * 2 > want ? u.cap * 2 : want;
    char* grown = static_cast<char*>(std::realloc(u.buf, cap));
    if (grown == nullptr) fail_out_of_memory();
    u.buf = grown;
    u.cap = cap;
  }
  return u.buf + u.len;
}

void detail::end_record(Unit& u) {
  char* at = reserve_bytes(u, u.cr_lf ? 2 : 1);
  if (u.cr_lf) *at++ = '\r';
  *at = '\n';
  u.len = static_cast<size_t>(at + 1 - u.buf);
  u.committed = u.len;
  // A person watching the console sees each line as it ends.
  if (u.number == kConsoleUnit && !u.seekable) flush_unit(u);
  poll_signals();
}

void detail::flush_unit(Unit& u) {
  if (u.committed == 0 || u.fd < 0) return;
  int error = write_committed(u);
  if (error != 0 && u.named && !g_closing_all) {
    fail_run_on_unit(u.number, "write", Failure::system(error));
  }
}

}  // namespace convkit
