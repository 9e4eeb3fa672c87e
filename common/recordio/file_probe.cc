#include "common/recordio/file_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace convkit
