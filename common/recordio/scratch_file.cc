#include "common/recordio/scratch_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include "common/recordio/run_end.h"

namespace convkit {

std::string create_scratch_file(std::string_view prefix) {
  std::string name(prefix);
  name += "XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) fail_run_naming(name, "open", Failure::system(errno));
  close(fd);
  return name;
}

}  // namespace convkit
