#include "common/check/report.h"

#include <unistd.h>

#include <algorithm>

#include "common/recordio/list_writer.h"
#include "common/recordio/run_end.h"

namespace convkit {

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
  static const char* const kLabels[] = {": note: ", ": warning: ", ": error: "};
  line += kLabels[static_cast<int>(severity)];
  warnings_ += severity == Severity::warning ? 1 : 0;
  errors_ += severity == Severity::error ? 1 : 0;
  line.append(text) += '\n';
  findings_.push_back({rank, place.line, std::move(line)});
}

void Report::summary(std::string_view label, std::string_view value) {
  // The exit status says what the result line says: a conversion that fails is status 2.
  if (label == "result" && value.substr(0, 20) == "the conversion fails") fails_ = true;
  summary_.append("  ").append(label);
  if (label.size() < 14) summary_.append(14 - label.size(), ' ');
  summary_.append(" ").append(value) += '\n';
}

void Report::print(std::string_view program) const {
  std::vector<Finding> sorted = findings_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  std::string text;
  for (const Finding& f : sorted) text += f.text;
  if (!sorted.empty()) text += '\n';
  text.append("What ").append(program).append(" will do:\n");
  text += summary_;
  write_all(STDOUT_FILENO, text);
}

int Report::exit_status() const { return errors_ > 0 || fails_ ? 2 : warnings_ > 0 ? 1 : 0; }

std::string number_text(double value) {
  std::string text = list_real_text(value);
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? text : text.substr(first);
}

}  // namespace convkit
