// pressik's run order. It is vantor's, with five differences of its own, each marked "own":
// the control file and banner, the header found by content on both passes (no header count),
// a point count of two values per record, a time step over npts - 1 intervals, and a console
// summary with the potential range in place of the header length.
#include "pressik/run_pressik.h"

#include "common/recordio/list_writer.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "common/zeprun/zep_run.h"
#include "pressik/header_search.h"

namespace convkit {

void run_pressik(const Invocation& invocation) {
  ZepRun run{};
  run.columns = invocation.columns;
  write_banner("Converter from DigiElch7.use to ZEP format", "XQ 22/11/2011");  // own
  if (invocation.control_file) {
    read_control_file(run, "pressik.inp");  // own name
  } else {
    take_arguments(run, invocation);
  }
  derive_erange_freq(run);
  open_export(run);
  skip_header(run);            // own
  run.npts = count_points(2);  // own: two values per record
  rewind_unit(kExportUnit);
  run.delt = derive_delt(run, TimeSteps::between_points);  // own
  close_unit(kControlUnit);

  // Own summary.
  write_list({});
  write_list({text_out("Found"), int_out(run.npts), text_out(" data points")});
  write_list(
      {text_out("AC signal of amplitude,freq ="), real_out(run.values.amp), real_out(run.freq)});
  write_list(
      {text_out("Total E range,vscan = "), real_out(run.erange), real_out(run.values.vscan)});
  write_list({text_out("Determined delt ="), real_out(run.delt)});

  open_zep_output(run);
  skip_header(run);  // own: found by content again
  write_zep_file(run);
  finish_run(run);
  stop_run("");
}

}  // namespace convkit
