// A fresh temporary directory for a test, made the working directory while it lives.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit::testing {

class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/convkit-test-XXXXXX";
    path_ = mkdtemp(pattern);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::filesystem::path old_;
};

inline void write_file(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A test that writes to unit kOut, opened and rewound on a file of a scratch directory, with the
// run's ends watched instead of ending the test.
class WrittenFileTest : public ::testing::Test {
 protected:
  static constexpr int kOut = 25;

  explicit WrittenFileTest(std::string name) : name_(std::move(name)) {}

  void SetUp() override {
    connect_standard_units();
    watch_run_ends(true);
    open_unit(kOut, name_.data(), static_cast<int>(name_.size()));
    rewind_unit(kOut);
  }
  void TearDown() override {
    close_unit(kOut);
    watch_run_ends(false);
  }
  // Closes the unit and returns the file's bytes.
  std::string written() {
    close_unit(kOut);
    return read_file(name_);
  }

 private:
  ScratchDir dir_;
  std::string name_;
};

}  // namespace convkit::testing
