#include "common/check/report.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/recordio/list_writer.h"

namespace convkit {
namespace {

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

void Report::name_file(const std::string& file) {
  if (std::find(files_.begin(), files_.end(), file) == files_.end()) files_.push_back(file);
}

void Report::add(Severity severity, const Place& place, std::string_view text) {
  name_file(place.file);
  const auto rank =
      static_cast<size_t>(std::find(files_.begin(), files_.end(), place.file) - files_.begin());
  std::string line = place.file;
  if (place.line > 0) {
    line += ':' + std::to_string(place.line);
    if (place.column > 0) line += ':' + std::to_string(place.column);
  }
  switch (severity) {
    case Severity::note:
      line += ": note: ";
      break;
    case Severity::warning:
      line += ": warning: ";
      ++warnings_;
      break;
    case Severity::error:
      line += ": error: ";
      ++errors_;
      break;
  }
  line += text;
  line += '\n';
  findings_.push_back({rank, place.line, std::move(line)});
}

void Report::summary(std::string_view label, std::string_view value) {
  // The exit status says what the result line says: a conversion that fails is status 2.
  if (label == "result" && value.substr(0, 20) == "the conversion fails") fails_ = true;
  summary_ += "  ";
  summary_ += label;
  if (label.size() < 14) summary_.append(14 - label.size(), ' ');
  summary_ += ' ';
  summary_ += value;
  summary_ += '\n';
}

void Report::print(std::string_view program) const {
  std::vector<Finding> sorted = findings_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  std::string text;
  for (const Finding& f : sorted) text += f.text;
  if (!sorted.empty()) text += '\n';
  text += "What ";
  text += program;
  text += " will do:\n";
  text += summary_;
  write_out(text);
}

int Report::exit_status() const {
  if (errors_ > 0 || fails_) return 2;
  return warnings_ > 0 ? 1 : 0;
}

void write_out(std::string_view text) { write_all(STDOUT_FILENO, text); }

std::string shown(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "'";
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c < 127 && c != '\\') {
      s += ch;
    } else {
      s += "\\x";
      s += kHex[c >> 4];
      s += kHex[c & 15];
    }
  }
  s += '\'';
  return s;
}

std::string number_text(double value) {
  std::string text = list_real_text(value);
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? text : text.substr(first);
}

}  // namespace convkit
