#include "common/check/opening.h"

#include <cstring>

#include "common/recordio/file_claim.h"
#include "common/recordio/unit.h"

namespace convkit {

bool control_file_readable(Report& report, std::string_view program, const std::string& control,
                           std::string_view empty_stop, std::string_view layout) {
  const OpenForecast open = forecast_open(control);
  if (open.creates) {
    report.add(Severity::error, {control, 0, 0},
               "there is no " + control +
                   " in this folder: the conversion would create it empty and stop with \"" +
                   std::string(empty_stop) + "\"; run " + std::string(program) +
                   " in the folder of your export, next to its control file (" +
                   std::string(layout) + "; CR LF ends)");
    report.summary("result", "the conversion fails and leaves an empty " + control + " behind");
    return false;
  }
  if (!open.failure.empty()) {
    report.add(Severity::error, {control, 0, 0},
               "cannot be read: the conversion stops with \"" + open.failure + "\"");
    report.summary("result", "the conversion fails");
    return false;
  }
  if (claimed_by_a_run(control)) {
    report.add(Severity::error, {control, 0, 0},
               "another run of a converter is using it now: the conversion stops with \"open: " +
                   std::string(kInUseMessage) + "\"; wait until that run has ended");
    report.summary("result", "the conversion fails with \"open: " + std::string(kInUseMessage) +
                                 "\" (exit status 134)");
    return false;
  }
  return true;
}

ExportOpen forecast_export(Report& report, const Place& place, const std::string& export_name,
                           bool rereads) {
  ExportOpen open;
  const OpenForecast forecast = forecast_open(export_name);
  open.fifo = forecast.fifo;
  if (export_name.empty()) {
    open.stop.first_line = forecast.failure;
  } else if (!forecast.failure.empty()) {
    open.stop.first_line = forecast.failure;
    report.add(Severity::error, place,
               "the export " + shown(export_name) +
                   " cannot be opened: the conversion stops with \"" + forecast.failure +
                   "\"; correct the name on this line");
  } else if (forecast.creates) {
    open.created = true;
    open.stop.first_line = "list in: end of file";
    report.add(Severity::error, place,
               "there is no export " + shown(export_name) +
                   ": the conversion would create it empty and stop with \"" +
                   open.stop.first_line + "\"; correct the name on this line");
  } else if (forecast.fifo && rereads) {
    open.stop.first_line = forecast.rewind_failure;
    report.add(Severity::error, place,
               "the export " + shown(export_name) +
                   " is a FIFO: the conversion reads it through once, then stops with \"" +
                   forecast.rewind_failure +
                   "\" when it goes back for its second pass; convert a regular file");
  } else if (forecast.fifo) {
    report.add(Severity::note, place,
               "the export " + shown(export_name) +
                   " is a FIFO: the conversion reads what its writer gives, once; the check "
                   "leaves it alone and cannot say what it holds");
  }
  return open;
}

}  // namespace convkit
