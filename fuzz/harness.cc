#include "fuzz/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {
namespace {

std::string_view line_at(std::string_view text, size_t& at) {
  size_t end = text.find('\n', at);
  if (end == std::string_view::npos) {
    at = text.size() + 1;  // a line without its line feed: no line at all
    return {};
  }
  std::string_view line = text.substr(at, end - at);
  at = end + 1;
  return line;
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

void fuzz_fail(std::string_view what, std::string_view detail) {
  std::string message = "fuzz check failed: ";
  message += what;
  if (!detail.empty()) {
    message += ": ";
    message += fuzz_escaped(detail);
  }
  message += '\n';
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fflush(stderr);
  std::abort();
}

std::string fuzz_escaped(std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : bytes) {
    unsigned char b = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b >= 32 && b < 127) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  out += '"';
  return out;
}

bool fuzz_guards_intact(const char* target, size_t width) {
  for (size_t i = 1; i <= kFuzzGuard; ++i) {
    if (target[-static_cast<ptrdiff_t>(i)] != kFuzzGuardByte) return false;
    if (target[width + i - 1] != kFuzzGuardByte) return false;
  }
  return true;
}

int fuzz_open_fd_count() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

bool fuzz_report_has_shape(std::string_view report) {
  size_t at = 0;
  std::string_view first = line_at(report, at);
  if (at > report.size()) return false;
  size_t colon = first.find(": ");
  if (colon == std::string_view::npos || colon == 0 || colon + 2 >= first.size()) return false;
  // A file name may hold a line feed (a quoted name can carry one), so the lines between the
  // unit line and the last one are not checked one by one.
  if (!starts_with(report.substr(at), "apparent state: ")) return false;
  if (report.empty() || report.back() != '\n') return false;
  size_t last = report.rfind('\n', report.size() - 2);
  std::string_view lately = report.substr(last + 1, report.size() - last - 2);
  return last >= at && (lately == "lately reading sequential formatted external IO" ||
                        lately == "lately writing sequential formatted external IO" ||
                        lately == "lately writing sequential formatted internal IO");
}

void fuzz_start_record_layer() {
  static bool started = false;
  if (started) return;
  watch_run_ends(true);
  connect_standard_units();
  started = true;
}

void fuzz_silence_stdout() {
  std::fflush(stdout);
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  dup2(null, STDOUT_FILENO);
  close(null);
}

}  // namespace convkit
