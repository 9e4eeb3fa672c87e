// Fuzz target: the streaming trace reader over files users did not write.
//
// The reader must read every point or refuse with a ParseError whose line and column lie in the
// file (a line that exists, a column within the line or just after its end, never beyond the
// longest line the reader takes); it must never crash, hang or read past its input. A file it
// reads must read again to the same points, written out and read back (the write's own line
// ends are the header's).
//
// Input: the file.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/trace/parse_error.h"
#include "common/trace/trace.h"
#include "common/trace/trace_reader.h"
#include "fuzz/harness.h"
#include "tests/support/files.h"
#include "tests/support/scratch.h"

namespace convkit {
namespace {

// The lengths of the file's lines, line ends excluded.
std::vector<size_t> line_lengths(std::string_view bytes) {
  std::vector<size_t> lengths;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t lf = bytes.find('\n', start);
    if (lf == std::string_view::npos) lf = bytes.size();
    lengths.push_back(lf - start);
    start = lf + 1;
  }
  return lengths;
}

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace
}  // namespace convkit

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace convkit;
  const std::string dir = testkit::process_scratch_dir();
  const std::string path = dir + "/trace";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  testkit::write_file(path, std::string(bytes));
  const std::vector<size_t> lengths = line_lengths(bytes);
  Trace trace;
  try {
    trace = read(path);
  } catch (const ParseError& e) {
    FUZZ_CHECK(e.file() == path, "a refusal names another file", e.file());
    FUZZ_CHECK(e.line() >= 1 && static_cast<size_t>(e.line()) <= lengths.size() + 1,
               "a refusal's line lies outside the file", e.what());
    const size_t length = static_cast<size_t>(e.line()) <= lengths.size()
                              ? lengths[static_cast<size_t>(e.line()) - 1]
                              : 0;
    FUZZ_CHECK(e.column() >= 1 && static_cast<size_t>(e.column()) <= length + 1 &&
                   e.column() <= kMaxLineLength + 1,
               "a refusal's column lies outside its line", e.what());
    return 0;
  }
  FUZZ_CHECK(trace.time_s.size() <= lengths.size(), "more points than lines");
  // What was read writes and reads back to the same points (the writer's six digits aside,
  // which only a file the programs wrote has already).
  const std::string copy = dir + "/copy";
  try {
    zep_records(trace.header);
  } catch (const std::invalid_argument&) {
    return 0;  // a setting the ZEP records cannot hold is refused by the write
  }
  write(copy, trace.header, trace.potential_v, trace.current_a, trace.time_s);
  const Trace again = read(copy);
  FUZZ_CHECK(again.time_s.size() == trace.time_s.size(), "the copy has another point count");
  const std::string rewritten = dir + "/again";
  write(rewritten, again.header, again.potential_v, again.current_a, again.time_s);
  FUZZ_CHECK(testkit::read_file(rewritten) == testkit::read_file(copy),
             "a written file does not write again to the same bytes");
  for (size_t i = 0; i < trace.time_s.size(); ++i) {
    FUZZ_CHECK(same(again.time_s[i], trace.time_s[i]) || std::isfinite(trace.time_s[i]),
               "a NAN or INF time did not write and read back as one");
  }
  return 0;
}
