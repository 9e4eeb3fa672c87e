#include "tests/support/scratch.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/files.h"

namespace convkit::testkit {

ScratchDir::ScratchDir(std::string_view tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = base != nullptr && base[0] != '\0' ? base : "/tmp";
  pattern += "/";
  pattern += tag;
  pattern += "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch directory " + pattern);
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() { remove_tree(path_); }

ScratchWorkingDir::ScratchWorkingDir(std::string_view tag) : ScratchDir(tag) {
  char* former = getcwd(nullptr, 0);
  if (former == nullptr) throw std::runtime_error("no working directory");
  former_ = former;
  std::free(former);
  if (chdir(path().c_str()) != 0) throw std::runtime_error("cannot enter " + path());
}

ScratchWorkingDir::~ScratchWorkingDir() {
  // Going back fails only when the former directory is gone; there is then nowhere to go.
  if (chdir(former_.c_str()) != 0) former_.clear();
}

const std::string& process_scratch_dir() {
  static const ScratchDir dir("convkit-fuzz");
  return dir.path();
}

}  // namespace convkit::testkit
