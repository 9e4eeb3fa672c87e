// Replays inputs through a fuzz target without the fuzzer, so that any compiler builds the
// targets and the test suite runs every seed and every past finding. Arguments are files, or
// directories whose files are replayed in name order.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "tests/support/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace convkit {
namespace {

void collect_inputs(const std::string& path, std::vector<std::string>& inputs) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) fuzz_fail("no such input", path);
  if (!S_ISDIR(st.st_mode)) {
    inputs.push_back(path);
    return;
  }
  for (const std::string& name : testkit::list_dir(path)) {
    if (name[0] != '.') collect_inputs(path + "/" + name, inputs);
  }
}

}  // namespace
}  // namespace convkit

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) convkit::collect_inputs(argv[i], inputs);
  if (inputs.empty()) convkit::fuzz_fail("nothing to replay");
  for (const std::string& input : inputs) {
    std::string bytes;
    if (!convkit::testkit::read_file(input, bytes)) convkit::fuzz_fail("cannot read", input);
    std::fprintf(stderr, "replaying %s\n", input.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
  return 0;
}
