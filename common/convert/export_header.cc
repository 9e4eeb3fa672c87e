#include "common/convert/export_header.h"

#include "common/recordio/fixed_text.h"
#include "common/recordio/free_reader.h"

namespace convkit {

bool is_column_heading(const char* line72) { return text_equal(line72, 6, "number", 6); }

int32_t skip_to_column_heading(char* line72) {
  // A start that is no heading, so that at least one line is read; the other 66 positions keep
  // what they hold.
  text_assign(line72, 6, "argh00", 6);
  int32_t lines = 0;
  while (!is_column_heading(line72)) {
    ++lines;
    read_free(kExportUnit, {text_item(line72, kLineLength)}, false);
  }
  return lines;
}

}  // namespace convkit
