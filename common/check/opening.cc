#include "common/check/opening.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/recordio/file_claim.h"
#include "common/recordio/file_probe.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

// Whether two names reach one file (a name not there yet: the same text).
bool same_file(const std::string& a, const std::string& b) {
  const FileProbe pa = probe_file(a), pb = probe_file(b);
  return pa.exists && pb.exists ? pa.dev == pb.dev && pa.ino == pb.ino : a == b;
}

// The name an LF-ended line means: the cut name and one character more, or "".
std::string meant_name(const ControlLine* line, const std::string& cut) {
  if (line == nullptr || line->crlf || !line->ended || cut.empty()) return "";
  std::string meant(opened_name(line->text));
  return meant.size() == cut.size() + 1 && meant.compare(0, cut.size(), cut) == 0 ? meant : "";
}

}  // namespace

bool control_file_readable(Report& report, std::string_view program, const std::string& control,
                           std::string_view empty_stop, std::string_view layout) {
  const OpenForecast open = forecast_open(control);
  if (open.creates) {
    report.error({control, 0, 0},
                 "there is no " + control +
                     " in this folder: the conversion would create it empty and stop with \"" +
                     std::string(empty_stop) + "\"; run " + std::string(program) +
                     " in the folder of your export, next to its control file (" +
                     std::string(layout) + "; CR LF ends)");
    report.summary("result", "the conversion fails and leaves an empty " + control + " behind");
    return false;
  }
  if (!open.failure.empty()) {
    report.error({control, 0, 0},
                 "cannot be read: the conversion stops with \"" + open.failure + "\"");
    report.summary("result", "the conversion fails");
    return false;
  }
  if (claimed_by_a_run(control)) {
    report.error({control, 0, 0},
                 "another run of a converter is using it now: the conversion stops with \"open: " +
                     std::string(kInUseMessage) + "\"; wait until that run has ended");
    report.summary("result", "the conversion fails with \"open: " + std::string(kInUseMessage) +
                                 "\" (exit status 134)");
    return false;
  }
  return true;
}

ExportOpen forecast_export(Report& report, const Place& place, const std::string& export_name,
                           bool rereads, const std::string& control, const ControlLine* export_line,
                           const std::string& output_cut, const ControlLine* output_line) {
  ExportOpen open;
  const OpenForecast forecast = forecast_open(export_name);
  open.fifo = forecast.fifo;
  if (export_name.empty()) {
    open.stop.first_line = forecast.failure;
  } else if (!forecast.failure.empty()) {
    open.stop.first_line = forecast.failure;
    report.error(place, "the export " + shown(export_name) +
                            " cannot be opened: the conversion stops with \"" + forecast.failure +
                            "\"; correct the name on this line");
  } else if (forecast.creates) {
    open.created = true;
    open.stop.first_line = "list in: end of file";
    const std::string meant = meant_name(export_line, export_name);
    const OpenForecast as_meant = meant.empty() ? OpenForecast{} : forecast_open(meant);
    if (meant.empty() || !as_meant.failure.empty() || as_meant.creates || as_meant.fifo) {
      report.error(place, "there is no export " + shown(export_name) +
                              ": the conversion would create it empty and stop with \"" +
                              open.stop.first_line + "\"; correct the name on this line");
      return open;
    }
    open.meant = meant;
    open.meant_output = meant_name(output_line, output_cut);
    report.error(place,
                 "there is no export " + shown(export_name) + ": " + control +
                     " has LF line ends, so the name loses its last character, and the "
                     "conversion would create " +
                     shown(export_name) + " empty and stop with \"" + open.stop.first_line +
                     "\"; the fix is unix2dos " + control + "; the check reads on with " +
                     shown(meant) +
                     (open.meant_output.empty()
                          ? ", the name this line means"
                          : " and " + shown(open.meant_output) +
                                ", the names these lines mean, for the rest of its findings"));
  } else if (forecast.fifo && rereads) {
    open.stop.first_line = forecast.rewind_failure;
    report.error(place, "the export " + shown(export_name) +
                            " is a FIFO: the conversion reads it through once, then stops with \"" +
                            forecast.rewind_failure +
                            "\" when it goes back for its second pass; convert a regular file");
  } else if (forecast.fifo) {
    report.note(place,
                "the export " + shown(export_name) +
                    " is a FIFO: the conversion reads what its writer gives, once; the check "
                    "leaves it alone and cannot say what it holds");
  }
  return open;
}

OutputFate check_output(Report& report, const Place& place, const std::string& output,
                        const std::string& export_name, int export_unit, const std::string& control,
                        std::string& stop) {
  // A failure sure to come: the first line of its report, quoted in the finding.
  const auto fails = [&](std::string first_line, const std::string& before,
                         const std::string& after) {
    stop = std::move(first_line);
    report.error(place, before + ": the conversion stops with \"" + stop + after);
    return OutputFate::fails;
  };
  if (same_file(output, export_name)) {
    stop = "open: file already connected to unit " + std::to_string(export_unit);
    report.error(place, "the output is the export itself: the conversion refuses to open it (\"" +
                            stop + "\") and the export stays untouched; name another output file");
    return OutputFate::refused;
  }
  // The open by its own rules, as the running user: the words of its report are its own.
  const OpenForecast open = forecast_open(output);
  struct stat out;
  const bool exists = stat(output.c_str(), &out) == 0;
  const std::string name = "the output " + shown(output);
  if (!open.failure.empty() && exists) {
    return fails(open.failure, name + " exists and cannot be opened",
                 "\"; remove it or name another file");
  }
  if (!open.failure.empty()) {
    const bool missing = open.failure.find("No such file") != std::string::npos;
    const std::string why = missing ? "does not exist"
                            : open.failure.find("Read-only") != std::string::npos
                                ? "is on a read-only file system"
                                : "is not writable";
    const std::string link = open.created.empty() ? "" : " (a link to " + shown(open.created) + ")";
    return fails(open.failure,
                 "the folder " + shown(open.folder) + " of the output" + link + " " + why,
                 missing ? "\"; create the folder or correct the name"
                         : "\"; convert in a folder of your own");
  }
  if (exists && claimed_by_a_run(output)) {
    return fails("open: " + std::string(kInUseMessage),
                 "another run of a converter is writing " + name + " now",
                 "\"; wait until it has ended");
  }
  if (!control.empty() && same_file(output, control)) {
    report.error(place,
                 "the output is the control file " + control +
                     " itself: the conversion overwrites it with the output; name another file");
    return OutputFate::replaced;
  }
  if (!exists) {
    if (!open.created.empty()) {
      report.note(place, name + " is a link to " + shown(open.created) +
                             ", which does not exist: the conversion creates it");
    }
    return OutputFate::created;
  }
  if (S_ISDIR(out.st_mode)) {
    report.error(place, name + " is a folder: the conversion cannot write it; name a file");
    return OutputFate::fails;
  }
  if (S_ISCHR(out.st_mode) && major(out.st_rdev) == 1 && minor(out.st_rdev) == 7) {  // /dev/full
    return fails("write: No space left on device", name + " is a device that takes no byte",
                 "\" at its first line; name a file");
  }
  if (access(output.c_str(), W_OK) != 0) {
    report.error(place,
                 name + " exists and cannot be written (" + std::strerror(errno) +
                     "): the conversion fails when it writes; remove it or name another file");
    return OutputFate::fails;
  }
  if (!S_ISREG(out.st_mode)) {
    report.note(place, name + " is not a regular file: the lines go to it as they are written");
    return OutputFate::replaced;
  }
  report.warning(place, name + " exists and will be replaced: its old content is lost");
  return OutputFate::replaced;
}

bool check_output_room(Report& report, const Place& place, const std::string& output, int64_t bytes,
                       std::string& stop) {
  struct stat out;
  int64_t freed = 0;  // an existing file is emptied first
  std::string at = output;
  if (stat(output.c_str(), &out) == 0) {
    if (!S_ISREG(out.st_mode)) return true;
    freed = static_cast<int64_t>(out.st_blocks) * 512;
  } else {
    at = forecast_open(output).folder;
  }
  struct statvfs fs;
  if (statvfs(at.c_str(), &fs) != 0) return true;
  const int64_t room = static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
  if (room + freed >= bytes) return true;
  stop = "write: No space left on device";
  report.error(place, "the output needs about " + std::to_string(bytes) +
                          " bytes and its file system has " + std::to_string(room + freed) +
                          " free: the conversion stops with \"" + stop +
                          "\"; make room or write elsewhere");
  return false;
}

}  // namespace convkit
