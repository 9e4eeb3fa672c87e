#include "common/recordio/cut_name.h"

namespace convkit {

int cut_name(const char* line72) {
  int n = 0;
  // The scan runs over all 72 positions: a blank at position 2 gives 0, which is not yet found.
  for (int p = 1; p <= kLineLength; ++p) {
    if (line72[p - 1] == ' ' && n == 0) n = p - 2;
  }
  return n;
}

}  // namespace convkit
