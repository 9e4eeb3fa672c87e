#include "common/check/verdict.h"

namespace convkit {

void summarize_control(Report& report, const ControlFile& control, std::string_view export_name,
                       int64_t export_line, std::string_view output_name, int64_t output_line) {
  report.summary("control file",
                 control.name + (control.lf_lines > 0 && control.crlf_lines == 0 ? " (LF line ends)"
                                 : control.lf_lines > 0 ? " (mixed line ends)"
                                                        : " (CR LF line ends)"));
  report.summary("export", shown(export_name) + " (line " + std::to_string(export_line) + ")");
  report.summary("output", shown(output_name) + " (line " + std::to_string(output_line) + ")");
}

void summarize_output(Report& report, const std::string& output_name, bool opened, OutputFate fate,
                      std::string_view written) {
  const bool fails = fate == OutputFate::refused || fate == OutputFate::fails;
  report.summary("output file",
                 shown(output_name) +
                     (!opened ? std::string(" is not opened")
                      : fails ? std::string(" cannot be opened or written")
                              : (fate == OutputFate::created ? " is created" : " is replaced") +
                                    std::string(written)));
}

void summarize_result(Report& report, const Stop& stop, const Place& stop_place, bool completes,
                      bool export_created, const std::string& export_name) {
  if (stop) {
    std::string where = stop_place.line > 0
                            ? " at " + stop_place.file + ":" + std::to_string(stop_place.line)
                            : std::string();
    report.summary(
        "result",
        "the conversion fails" + where + " with \"" + stop.first_line + "\" (exit status 134)" +
            (export_created ? "; an empty " + shown(export_name) + " is left behind" : ""));
  } else {
    report.summary("result", completes ? "the conversion completes (exit status 0)"
                                       : "the conversion fails when it opens or writes the output");
  }
}

}  // namespace convkit
