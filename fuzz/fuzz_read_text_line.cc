// Fuzz target: fixed-width line reads over any bytes.
//
// Lines are read one after another until the run fails, as it must once the file is used up.
// Each read is compared with a model of the "(A72)" read written here: 72 bytes of the line,
// blanks from its line feed on, the rest of the line skipped; "fmt" when the file ends before
// the 72nd byte and before a line feed, "read start" when a read begins after the end was met.
// The target must never be written beyond its 72 bytes, and the failure report must be exact.
//
// Input: byte 0 chooses a padding line that puts the bytes after it across the unit's buffer
// boundary (when its top bit is set); the rest is the file.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "common/recordio/free_reader.h"
#include "common/recordio/line_read.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "fuzz/harness.h"
#include "tests/support/files.h"
#include "tests/support/run_capture.h"
#include "tests/support/scratch.h"

namespace convkit {
namespace {

constexpr int kUnit = 2;
constexpr size_t kWidth = 72;

// The model's view of the file.
struct LineModel {
  std::string_view bytes;
  size_t pos = 0;
  bool at_end = false;

  int next() {
    if (pos < bytes.size()) return static_cast<unsigned char>(bytes[pos++]);
    at_end = true;
    return -1;
  }

  // One read: the 72 bytes, or the failure's first report line.
  bool read(std::string& target, std::string& failure) {
    if (at_end) {
      failure = "read start: end of file";
      return false;
    }
    target.assign(kWidth, ' ');
    size_t filled = 0;
    while (filled < kWidth) {
      int c = next();
      if (c < 0) {
        failure = "fmt: end of file";
        return false;
      }
      if (c == '\n') {
        --pos;  // left for the skip below
        break;
      }
      target[filled++] = static_cast<char>(c);
    }
    for (;;) {
      int c = next();
      if (c < 0 || c == '\n') break;
    }
    return true;
  }
};

}  // namespace
}  // namespace convkit

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace convkit;
  fuzz_start_record_layer();
  if (size == 0) return 0;
  const std::string path = testkit::process_scratch_dir() + "/lines";
  std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
  static std::string file;  // its room is kept: a padded file is 64 KiB
  file.clear();
  size_t padding = 0;
  if ((data[0] & 0x80) != 0) {
    // A first line that ends a few bytes before the buffer's edge.
    padding = kUnitBufferSize - (data[0] & 0x7f);
    file.append(padding - 1, 'p');
    file += '\n';
  }
  file.append(body);
  testkit::write_file(path, file);

  LineModel model;
  model.bytes = body;
  char buffer[kFuzzGuard + kWidth + kFuzzGuard];
  std::memset(buffer, kFuzzGuardByte, sizeof buffer);
  char* target = buffer + kFuzzGuard;
  const std::string expected_tail = "apparent state: unit " + std::to_string(kUnit) + " named " +
                                    path + "\nlast format: (A72)\n" +
                                    "lately reading sequential formatted external IO\n";
  size_t reads = 0;
  const std::optional<RunEnded> ended = testkit::run_end_of([&] {
    open_unit(kUnit, path.data(), static_cast<int>(path.size()));
    if (padding > 0) read_text_line(kUnit, target);
    for (;;) {
      std::string expected, failure;
      bool ok = model.read(expected, failure);
      read_text_line(kUnit, target);
      FUZZ_CHECK(ok, "a read went through where the model fails with", failure);
      FUZZ_CHECK(std::string_view(target, kWidth) == expected,
                 "line " + std::to_string(reads + 1) + " reads " +
                     fuzz_escaped(std::string_view(target, kWidth)) + ", expected",
                 expected);
      FUZZ_CHECK(fuzz_guards_intact(target, kWidth), "the read wrote outside its 72 bytes");
      ++reads;
      FUZZ_CHECK(reads <= body.size() + 1, "more reads than the file has lines");
    }
  });
  if (ended) {
    std::string expected, failure;
    LineModel replay;
    replay.bytes = body;
    for (size_t i = 0; i <= reads; ++i) {
      if (!replay.read(expected, failure)) break;
    }
    FUZZ_CHECK(ended->failed, "a read stopped the run without a failure");
    FUZZ_CHECK(!failure.empty(), "a read failed where the model reads on", ended->report);
    FUZZ_CHECK(ended->report == failure + "\n" + expected_tail,
               "failure report differs; expected first line " + failure + ", got", ended->report);
  }
  for (int n = 1; n < kUnitCount; ++n) {
    if (n != kErrorUnit && n != kInputUnit && n != kConsoleUnit) {
      FUZZ_CHECK(!unit_connected(n), "a unit is left connected after the run ended");
    }
  }
  return 0;
}
