// vantor's run order, from the banner to the silent stop.
#include "vantor/run_vantor.h"

#include "common/recordio/list_writer.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "common/zeprun/zep_run.h"
#include "vantor/export_scan.h"

namespace convkit {

void run_vantor() {
  ZepRun run{};
  write_banner("Converter from DigiElch to ZEP format", "XQ 28/1/2011");
  read_control_file(run, "vantor.inp");
  derive_erange_freq(run);
  open_export(run);
  const ExportScan scan = scan_export(run);
  run.npts = scan.npts;
  run.delt = run.erange / (static_cast<double>(run.npts) * run.vscan);
  close_unit(kControlUnit);

  write_list({});
  write_list({list_text("Found"), list_int(run.npts), list_text(" data points")});
  write_list({list_text("Header length ="), list_int(scan.nhead)});
  write_list({list_text("AC signal of amplitude,freq ="), list_real(run.amp), list_real(run.freq)});
  write_list({list_text("Determined delt ="), list_real(run.delt)});

  open_zep_output(run);
  skip_header_lines(run, scan.nhead);
  write_zep_file(run);
  finish_run(run);
  stop_run("");
}

}  // namespace convkit
