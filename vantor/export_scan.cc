#include "vantor/export_scan.h"

#include "common/recordio/free_reader.h"
#include "common/recordio/unit.h"

namespace convkit {

ExportScan scan_export(ZepRun& run) {
  ExportScan scan;
  scan.nhead = skip_to_column_heading(run.line);
  scan.npts = count_points(run.columns.count);
  rewind_unit(kExportUnit);
  return scan;
}

void skip_header_lines(ZepRun& run, int32_t nhead) {
  for (int32_t i = 1; i <= nhead; ++i) {
    read_free(kExportUnit, {text_item(run.line, kLineLength)}, false);
  }
}

}  // namespace convkit
