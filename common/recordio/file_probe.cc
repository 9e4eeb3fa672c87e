#include "common/recordio/file_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace convkit {

FileProbe probe_file(std::string_view name) {
  FileProbe probe;
  std::string path(name);
  struct stat st;
  probe.link = lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  if (stat(path.c_str(), &st) != 0) return probe;
  probe.exists = true;
  probe.regular = S_ISREG(st.st_mode);
  probe.dev = st.st_dev;
  probe.ino = st.st_ino;
  if (probe.regular) {
    probe.size = st.st_size;
    probe.readable = access(path.c_str(), R_OK) == 0;
  }
  if (probe.link) {
    char* real = realpath(path.c_str(), nullptr);
    if (real != nullptr) {
      probe.resolved = real;
      std::free(real);
    }
  }
  return probe;
}

int folder_refuses_move(std::string_view name) {
  std::string path(name);
  const size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  if (access(folder.c_str(), W_OK | X_OK) != 0) return errno;
  // In a folder with the sticky bit only the owner of the file or of the folder may move it.
  struct stat in, of;
  if (stat(folder.c_str(), &in) != 0 || lstat(path.c_str(), &of) != 0) return 0;
  const uid_t me = geteuid();
  if ((in.st_mode & S_ISVTX) != 0 && me != 0 && in.st_uid != me && of.st_uid != me) return EPERM;
  return 0;
}

}  // namespace convkit
