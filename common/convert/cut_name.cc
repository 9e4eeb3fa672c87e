#include "common/convert/cut_name.h"

namespace convkit {

int cut_name(const char* line72) {
  int n = 0;
  // The scan runs over all 72 positions: a blank at position 2 gives 0, which is not yet found.
  for (int p = 1; p <= kLineLength; ++p) {
    if (line72[p - 1] == ' ' && n == 0) n = p - 2;
  }
  return n;
}

int32_t take_name(const char* line72, char* name72) {
  int32_t length = cut_name(line72);
  // The cut is kept as it is for what the programs show; only the copy forms an index with it.
  text_assign(name72, kLineLength, line72, length > 0 ? length : 0);
  return length;
}

}  // namespace convkit
