// GoogleTest fixtures for tests of the record layer on real files; the rest of the kit needs no
// GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "tests/support/files.h"
#include "tests/support/scratch.h"

namespace convkit::testkit {

// A test in a scratch working directory, with the standard units connected and the run's ends
// watched; every other unit is closed when it ends, so that no test sees another's files.
class RecordLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connect_standard_units();
    watch_run_ends(true);
  }
  void TearDown() override {
    for (int n = 1; n < kUnitCount; ++n) {
      if (n != kInputUnit && n != kConsoleUnit) close_unit(n);
    }
    watch_run_ends(false);
  }

  ScratchWorkingDir dir_;
};

// A test that writes to unit kOut, opened and rewound on a file of the scratch directory.
class WrittenFileTest : public RecordLayerTest {
 protected:
  static constexpr int kOut = 25;

  explicit WrittenFileTest(std::string name) : name_(std::move(name)) {}

  void SetUp() override {
    RecordLayerTest::SetUp();
    open_unit(kOut, name_.data(), static_cast<int>(name_.size()));
    rewind_unit(kOut);
  }
  // Closes the unit and returns the file's bytes.
  std::string written() {
    close_unit(kOut);
    return read_file(name_);
  }

 private:
  std::string name_;
};

}  // namespace convkit::testkit
