#include "common/recordio/scratch_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/recordio/run_end.h"

namespace convkit {

std::string create_scratch_file(std::string_view prefix, int n) {
  std::string name(prefix);
  name += "XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) fail_run_on_file(n, name, "open", Failure::system(errno));
  close(fd);
  return name;
}

void require_scratch_room(std::string_view prefix, int n) {
  remove_scratch_file(create_scratch_file(prefix, n));
}

void remove_scratch_file(const std::string& name) { unlink(name.c_str()); }

bool put_back_scratch_file(const std::string& scratch, const std::string& name) {
  return std::rename(scratch.c_str(), name.c_str()) == 0;
}

}  // namespace convkit
