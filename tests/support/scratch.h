// Fresh directories for tests and fuzz targets, gone with everything in them when done.
#pragma once

#include <string>
#include <string_view>

namespace convkit::testkit {

// A directory made for one test, under $TMPDIR (or /tmp), named after a tag so that a leftover
// tells who left it.
class ScratchDir {
 public:
  /// Makes a fresh directory "<tag>-XXXXXX"; throws std::runtime_error when it cannot.
  explicit ScratchDir(std::string_view tag = "convkit-test");
  /// Removes the directory and everything in it, write bits a test took away put back first.
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  /// The directory's absolute path.
  const std::string& path() const { return path_; }
  /// The path of an entry of the directory.
  std::string path(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// A scratch directory that is the working directory while it lives, for code that opens files
// by their bare names as the programs do.
class ScratchWorkingDir : public ScratchDir {
 public:
  /// Makes the directory and enters it.
  explicit ScratchWorkingDir(std::string_view tag = "convkit-test");
  /// Goes back to the former working directory; the directory then goes.
  ~ScratchWorkingDir();

 private:
  std::string former_;
};

/// A directory of this process's own, made on first use and removed at exit: fuzz targets run
/// millions of inputs in one process and must not make a directory for each.
const std::string& process_scratch_dir();

}  // namespace convkit::testkit
