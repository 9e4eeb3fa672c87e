#include "common/check/output_check.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace convkit {
namespace {

// The output's folder makes the open fail: the finding quotes the very line the conversion's
// report begins with, so the two cannot drift apart.
OutputFate folder_stops(Report& report, const Place& place, const std::string& folder,
                        std::string_view why, std::string_view first_line, std::string_view advice,
                        std::string& stop) {
  stop = std::string(first_line);
  report.add(Severity::error, place,
             "the folder " + shown(folder) + " of the output " + std::string(why) +
                 ": the conversion stops with \"" + stop + "\"; " + std::string(advice));
  return OutputFate::fails;
}

}  // namespace

OutputFate check_output(Report& report, const Place& place, const std::string& output,
                        const std::string& export_name, int export_unit, std::string& stop) {
  struct stat out, in;
  bool out_exists = stat(output.c_str(), &out) == 0;
  bool in_exists = stat(export_name.c_str(), &in) == 0;
  bool same = out_exists && in_exists ? out.st_dev == in.st_dev && out.st_ino == in.st_ino
                                      : output == export_name;
  if (same) {
    stop = "open: file already connected to unit " + std::to_string(export_unit);
    report.add(Severity::error, place,
               "the output is the export itself: the conversion refuses to open it (\"open: "
               "file already connected to unit " +
                   std::to_string(export_unit) +
                   "\") and the export stays untouched; name another output file");
    return OutputFate::refused;
  }
  if (out_exists) {
    if (S_ISDIR(out.st_mode)) {
      report.add(Severity::error, place,
                 "the output " + shown(output) +
                     " is a folder: the conversion cannot write it; name a file");
      return OutputFate::fails;
    }
    if (access(output.c_str(), W_OK) != 0) {
      report.add(Severity::error, place,
                 "the output " + shown(output) + " exists and cannot be written (" +
                     std::strerror(errno) +
                     "): the conversion fails when it writes; remove it or name another file");
      return OutputFate::fails;
    }
    report.add(
        Severity::note, place,
        "the output " + shown(output) + " exists and will be replaced: its old content is lost");
    return OutputFate::replaced;
  }
  std::string folder = ".";
  size_t slash = output.rfind('/');
  if (slash != std::string::npos) folder = slash == 0 ? "/" : output.substr(0, slash);
  struct stat dir;
  if (stat(folder.c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
    return folder_stops(report, place, folder, "does not exist", "open: No such file or directory",
                        "create the folder or correct the name", stop);
  }
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    return folder_stops(report, place, folder, "is not writable", "open: Permission denied",
                        "convert in a folder of your own", stop);
  }
  // A read-only mount refuses even root, whom the permission bits let through.
  struct statvfs fs;
  if (statvfs(folder.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) {
    return folder_stops(report, place, folder, "is on a read-only file system",
                        "open: Read-only file system", "convert in a folder of your own", stop);
  }
  return OutputFate::created;
}

std::string_view fate_text(OutputFate fate) {
  switch (fate) {
    case OutputFate::created:
      return "created";
    case OutputFate::replaced:
      return "replaced";
    case OutputFate::refused:
      return "refused";
    case OutputFate::fails:
      return "not written";
  }
  return "";
}

bool tool_on_path(std::string_view tool) {
  // The shell's own search path when PATH is not set at all.
  const char* env = std::getenv("PATH");
  const std::string_view path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t colon = path.find(':', start);
    const std::string_view dir = path.substr(
        start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    // An empty entry is the working directory.
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate += '/';
    candidate += tool;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return true;
    }
    if (colon == std::string_view::npos) return false;
    start = colon + 1;
  }
}

}  // namespace convkit
