#include "fuzz/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace convkit {
namespace {

std::string g_scratch;

void remove_scratch() {
  if (!g_scratch.empty()) fuzz_remove_tree(g_scratch);
}

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

const std::string& fuzz_scratch_dir() {
  if (g_scratch.empty()) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base != nullptr && base[0] != '\0') ? base : "/tmp";
    pattern += "/convkit-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) fuzz_fail("cannot make a scratch directory", pattern);
    g_scratch = pattern;
    std::atexit(remove_scratch);
  }
  return g_scratch;
}

void fuzz_write_file(const std::string& path, std::string_view bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fuzz_fail("cannot create a file", path);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fuzz_fail("cannot write a file", path);
    p += n;
    left -= static_cast<size_t>(n);
  }
  close(fd);
}

bool fuzz_read_file(const std::string& path, std::string& bytes) {
  bytes.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

void fuzz_remove_tree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    if (DIR* dir = opendir(path.c_str())) {
      while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        fuzz_remove_tree(path + "/" + std::string(name));
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
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

void fuzz_silence_stdout() {
  std::fflush(stdout);
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  dup2(null, STDOUT_FILENO);
  close(null);
}

}  // namespace convkit
