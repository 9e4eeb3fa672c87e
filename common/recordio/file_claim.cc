// Claims are open file description locks: they belong to the open file rather than to the
// process, so the commands the run starts (which get no descriptor of ours) take no part in
// them, and a look at a claim through another open file of the same process sees it as another
// run's would. The claim keeps a descriptor of its own open until the process ends, so the lock
// lasts past the close of the unit - through unix2dos, mv and cat - and goes with the process.
#include "common/recordio/file_claim.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/recordio/detail/unit_bytes.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

struct Held {
  dev_t dev = 0;
  ino_t ino = 0;
};

// A run claims a control file and an output; a unit a file is room enough.
Held g_held[kUnitCount];
int g_held_count = 0;

struct flock whole_file(short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end, however far the file grows
  lock.l_pid = 0;
  return lock;
}

bool is_held(const struct stat& st) {
  for (int i = 0; i < g_held_count; ++i) {
    if (g_held[i].dev == st.st_dev && g_held[i].ino == st.st_ino) return true;
  }
  return false;
}

// Takes the claim on fd; false when another run's claim stands in the way.
bool claim(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || is_held(st)) return true;
  if (g_held_count == kUnitCount) return true;
  const int mode = fcntl(fd, F_GETFL) & O_ACCMODE;
  struct flock lock = whole_file(mode == O_RDONLY ? F_RDLCK : F_WRLCK);
  if (fcntl(fd, F_OFD_SETLK, &lock) != 0) return errno != EAGAIN && errno != EACCES;
  // The lock lives as long as one descriptor of this open file does. A run watched within a
  // longer process gives its claims up as its units close.
  if (run_ends_watched() || fcntl(fd, F_DUPFD_CLOEXEC, 3) < 0) return true;
  g_held[g_held_count++] = {st.st_dev, st.st_ino};
  return true;
}

}  // namespace

void claim_unit_for_run(int n) {
  const detail::Unit& u = detail::unit(n);
  if (u.fd < 0 || !u.named || units_open_for_reading_only() || claim(u.fd)) return;
  fail_run_on_unit(n, "open", Failure::text(kInUseMessage));
}

bool claimed_by_a_run(const std::string& name) {
  const int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  struct flock lock = whole_file(F_WRLCK);
  const bool claimed = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                       fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  close(fd);
  return claimed;
}

}  // namespace convkit
