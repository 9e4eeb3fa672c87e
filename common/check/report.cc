#include "common/check/report.h"

#include <unistd.h>

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

void Report::add(Severity severity, const Place& place, std::string_view text) {
  findings_ += place.file;
  if (place.line > 0) {
    findings_ += ':' + std::to_string(place.line);
    if (place.column > 0) findings_ += ':' + std::to_string(place.column);
  }
  switch (severity) {
    case Severity::note:
      findings_ += ": note: ";
      break;
    case Severity::warning:
      findings_ += ": warning: ";
      ++warnings_;
      break;
    case Severity::error:
      findings_ += ": error: ";
      ++errors_;
      break;
  }
  findings_ += text;
  findings_ += '\n';
}

void Report::summary(std::string_view label, std::string_view value) {
  summary_ += "  ";
  summary_ += label;
  if (label.size() < 14) summary_.append(14 - label.size(), ' ');
  summary_ += ' ';
  summary_ += value;
  summary_ += '\n';
}

void Report::print(std::string_view program) const {
  std::string text = findings_;
  if (!findings_.empty()) text += '\n';
  text += "What ";
  text += program;
  text += " will do:\n";
  text += summary_;
  write_out(text);
}

int Report::exit_status() const {
  if (errors_ > 0) return 2;
  return warnings_ > 0 ? 1 : 0;
}

void write_out(std::string_view text) { write_all(STDOUT_FILENO, text); }
void write_err(std::string_view text) { write_all(STDERR_FILENO, text); }

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
