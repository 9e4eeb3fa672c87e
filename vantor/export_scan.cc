#include "vantor/export_scan.h"

#include "common/recordio/fixed_text.h"
#include "common/recordio/free_reader.h"
#include "common/recordio/unit.h"

namespace convkit {

int32_t scan_export(ZepRun& run) {
  // A start that is no heading, so that at least one line is read; the other 66 positions
  // keep what they hold.
  text_assign(run.line, 6, "argh00", 6);
  int32_t nhead = 0;
  while (!text_equal(run.line, 6, "number", 6)) {
    ++nhead;
    read_free(kExportUnit, {text_item(run.line, kLineLength)}, false);
  }
  run.npts = count_points(3);
  rewind_unit(kExportUnit);
  return nhead;
}

void skip_header_lines(ZepRun& run, int32_t nhead) {
  for (int32_t i = 1; i <= nhead; ++i) {
    read_free(kExportUnit, {text_item(run.line, kLineLength)}, false);
  }
}

}  // namespace convkit
