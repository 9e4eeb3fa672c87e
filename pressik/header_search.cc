#include "pressik/header_search.h"

#include "common/recordio/free_reader.h"

namespace convkit {

void skip_header(ZepRun& run) {
  bool found = false;
  while (!found) {
    read_free(kExportUnit, {text_item(run.line, kLineLength)}, false);
    if (is_column_heading(run.line)) found = true;
  }
}

}  // namespace convkit
