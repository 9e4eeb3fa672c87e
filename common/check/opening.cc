#include "common/check/opening.h"

#include <sys/stat.h>

#include <cstring>

namespace convkit {

bool control_file_readable(Report& report, std::string_view program, const std::string& control,
                           std::string_view empty_stop, std::string_view layout) {
  int error = 0;
  FileState state = file_state(control, &error);
  if (state == FileState::missing) {
    report.add(Severity::error, {control, 0, 0},
               "there is no " + control +
                   " in this folder: the conversion would create it empty and stop with \"" +
                   std::string(empty_stop) + "\"; run " + std::string(program) +
                   " in the folder of your export, next to its control file (" +
                   std::string(layout) + "; CR LF ends)");
    report.summary("result", "the conversion fails and leaves an empty " + control + " behind");
    return false;
  }
  if (state == FileState::unreadable) {
    report.add(Severity::error, {control, 0, 0},
               "cannot be read: " + std::string(std::strerror(error)));
    report.summary("result", "the conversion fails");
    return false;
  }
  return true;
}

bool export_readable(Report& report, const Place& place, const std::string& export_name, Stop& stop,
                     bool& created) {
  created = false;
  if (export_name.empty()) {
    // check_name has said so: the open stops the run.
    stop.first_line = "open: null file name";
    return false;
  }
  int error = 0;
  FileState state = file_state(export_name, &error);
  if (state == FileState::missing) {
    // The open creates a missing export when its folder is there, and the first read finds it
    // empty; without the folder the open itself fails.
    std::string folder = export_name.find('/') == std::string::npos
                             ? "."
                             : export_name.substr(0, export_name.rfind('/') + 1);
    struct stat st;
    created = stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    stop.first_line = created ? "list in: end of file" : "open: No such file or directory";
    report.add(Severity::error, place,
               "there is no export " + shown(export_name) + ": the conversion would " +
                   (created ? "create it empty and " : "") + "stop with \"" + stop.first_line +
                   "\"; correct the name on this line");
    return false;
  }
  if (state == FileState::unreadable) {
    stop.first_line = "open: " + std::string(std::strerror(error));
    report.add(Severity::error, place,
               "the export " + shown(export_name) + " cannot be read: " + std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace convkit
