// vantor's run order, from the banner to the silent stop.
#include "vantor/run_vantor.h"

#include "common/recordio/list_writer.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "common/zeprun/zep_run.h"
#include "vantor/export_scan.h"

namespace convkit {

void run_vantor(const Invocation& invocation) {
  ZepRun run{};
  run.columns = invocation.columns;
  write_banner("Converter from DigiElch to ZEP format", "XQ 28/1/2011");
  if (invocation.control_file) {
    read_control_file(run, "vantor.inp");
  } else {
    take_arguments(run, invocation);
  }
  derive_erange_freq(run);
  open_export(run);
  const ExportScan scan = scan_export(run);
  run.npts = scan.npts;
  run.delt = derive_delt(run, TimeSteps::per_point);
  close_unit(kControlUnit);

  write_list({});
  write_list({text_out("Found"), int_out(run.npts), text_out(" data points")});
  write_list({text_out("Header length ="), int_out(scan.nhead)});
  write_list(
      {text_out("AC signal of amplitude,freq ="), real_out(run.values.amp), real_out(run.freq)});
  write_list({text_out("Determined delt ="), real_out(run.delt)});

  open_zep_output(run);
  skip_header_lines(run, scan.nhead);
  write_zep_file(run);
  finish_run(run);
  stop_run("");
}

}  // namespace convkit
