// Fuzz target: whole runs of vantor, pressik and colbrand over any control file and export.
//
// The input is split into the control file and further named files (the export, "Header.txt",
// an older output), written into a fresh directory; the chosen program's run order runs there
// and its end is caught. Every run must end by the silent stop or the failure report, never by
// a crash, a leak of a descriptor or a unit, or a file left half-written, and:
// - a failed run has run no shell command, and its report has the report's form;
// - a completed run has run exactly its commands, each made of whole shell words (a name from
//   the control file can never become shell syntax);
// - a completed vantor or pressik run leaves a ZEP file of 41 header records and data lines of
//   43 characters; a completed colbrand run leaves point lines of 43 characters;
// - every file that the run wrote ends with a complete record.
//
// The shell is never started: the record layer hands every command to record_command, which
// records it and acts out its plain effects. Names from the
// input could otherwise reach outside the directory, so inputs whose control file could name a
// path with "/" or a name that starts with "." are skipped before anything is written.
//
// Input: byte 0 chooses the program (0 vantor, 1 pressik, 2 colbrand, by its value modulo 3);
// then the control file's bytes; then any number of sections "\n=== NAME\n" followed by that
// file's bytes (the line feed before "===" belongs to the separator, not to the file).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "colbrand/run_colbrand.h"
#include "common/recordio/run_end.h"
#include "common/recordio/shell.h"
#include "common/recordio/unit.h"
#include "fuzz/harness.h"
#include "pressik/run_pressik.h"
#include "tests/support/files.h"
#include "tests/support/run_capture.h"
#include "tests/support/scratch.h"
#include "vantor/run_vantor.h"

namespace convkit {
namespace {

constexpr std::string_view kSeparator = "\n=== ";
constexpr size_t kMaxFiles = 6;
constexpr size_t kMaxNameLength = 64;
constexpr size_t kZepHeaderRecords = 41;
constexpr size_t kPointLineLength = 43;

std::vector<std::string> g_commands;

// Splits a command into words the way the shell would, accepting only the characters shell_word
// leaves unquoted,
// single-quoted parts, backslash escapes, single blanks between words and a lone ">". Returns
// false for anything else: the shell could read it as more than words. Sets cut when the
// command ends inside a quoted part (a name holding a zero byte cuts the command there; the
// shell then rejects the line as a whole and runs nothing).
bool shell_words(std::string_view command, std::vector<std::string>& words, bool& cut) {
  words.clear();
  cut = false;
  size_t i = 0;
  while (i < command.size()) {
    if (command[i] == '>') {
      words.emplace_back(">");
      ++i;
    } else {
      std::string word;
      bool any = false;
      while (i < command.size() && command[i] != ' ') {
        char c = command[i];
        if (c == '\'') {
          size_t close = command.find('\'', i + 1);
          if (close == std::string_view::npos) {
            cut = true;
            return true;
          }
          word.append(command.substr(i + 1, close - i - 1));
          i = close + 1;
        } else if (c == '\\' && i + 1 < command.size()) {
          word += command[i + 1];
          i += 2;
        } else if (is_plain_word_char(c)) {
          word += c;
          ++i;
        } else {
          return false;
        }
        any = true;
      }
      if (!any) return false;
      words.push_back(word);
    }
    if (i < command.size()) {
      if (command[i] != ' ' || i + 1 == command.size() || command[i + 1] == ' ') return false;
      ++i;
    }
  }
  return true;
}

bool name_is_safe(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength || name[0] == '.') return false;
  for (char c : name) {
    if (c == '/' || c == '\0' || c == '\n') return false;
  }
  return true;
}

bool word_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// A control file could name a path outside the directory only through a "/", or a hidden or
// parent entry through a "." at the start of a name; a point inside a number or a name is kept.
bool control_is_safe(std::string_view control) {
  for (size_t i = 0; i < control.size(); ++i) {
    if (control[i] == '/') return false;
    if (control[i] == '.' && (i == 0 || !word_char(control[i - 1]))) return false;
  }
  return true;
}

struct Bundle {
  int program = 0;
  std::string control;
  std::vector<std::pair<std::string, std::string>> files;
};

bool split_input(const uint8_t* data, size_t size, Bundle& bundle) {
  if (size == 0) return false;
  bundle.program = data[0] % 3;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t at = rest.find(kSeparator);
  bundle.control = std::string(rest.substr(0, at));
  while (at != std::string_view::npos) {
    size_t name_start = at + kSeparator.size();
    size_t name_end = rest.find('\n', name_start);
    if (name_end == std::string_view::npos) return false;
    std::string_view name = rest.substr(name_start, name_end - name_start);
    at = rest.find(kSeparator, name_end);
    std::string_view content =
        rest.substr(name_end + 1, at == std::string_view::npos ? at : at - name_end - 1);
    if (!name_is_safe(name) || bundle.files.size() == kMaxFiles) return false;
    bundle.files.emplace_back(std::string(name), std::string(content));
  }
  return true;
}

const char* const kControlNames[] = {"vantor.inp", "pressik.inp", "colbrand.inp"};

std::map<std::string, std::string> directory_files(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : testkit::list_dir(dir)) {
    if (!testkit::read_file(dir + "/" + name, files[name])) {
      fuzz_fail("a file left unreadable", name);
    }
  }
  return files;
}

// The directory entry a command's word names: "./" may stand before a name that begins with
// "-", so that no tool reads it as an option.
std::string entry_of(const std::string& word) {
  return word.rfind("./", 0) == 0 ? word.substr(2) : word;
}

std::vector<std::string_view> lines_of(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    lines.push_back(bytes.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

void check_point_lines(const std::vector<std::string_view>& lines, size_t first,
                       const std::string& name) {
  for (size_t i = first; i < lines.size(); ++i) {
    FUZZ_CHECK(lines[i].size() == kPointLineLength,
               "a point line of " + std::to_string(lines[i].size()) + " characters in " + name,
               lines[i]);
  }
}

void check_completed_zep(const std::map<std::string, std::string>& after) {
  FUZZ_CHECK(g_commands.size() == 1, "a completed run ran other than one command");
  std::vector<std::string> words;
  bool cut = false;
  FUZZ_CHECK(shell_words(g_commands[0], words, cut), "a command that is not plain words",
             g_commands[0]);
  if (cut) return;
  FUZZ_CHECK(words.size() == 2 && words[0] == "unix2dos", "not the line-end command",
             g_commands[0]);
  auto output = after.find(entry_of(words[1]));
  FUZZ_CHECK(output != after.end(), "the converted file is missing", words[1]);
  std::vector<std::string_view> lines = lines_of(output->second);
  FUZZ_CHECK(lines.size() >= kZepHeaderRecords, "a ZEP file without its header block",
             output->second);
  check_point_lines(lines, kZepHeaderRecords, words[1]);
}

void check_completed_colbrand(const std::map<std::string, std::string>& before,
                              const std::map<std::string, std::string>& after) {
  FUZZ_CHECK(g_commands.size() == 3, "a completed run ran other than three commands");
  std::vector<std::string> move, join, remove;
  bool cut_move = false, cut_join = false, cut_remove = false;
  FUZZ_CHECK(shell_words(g_commands[0], move, cut_move), "a command that is not plain words",
             g_commands[0]);
  FUZZ_CHECK(shell_words(g_commands[1], join, cut_join), "a command that is not plain words",
             g_commands[1]);
  FUZZ_CHECK(shell_words(g_commands[2], remove, cut_remove), "a command that is not plain words",
             g_commands[2]);
  FUZZ_CHECK(!cut_remove && remove.size() == 3 && remove[0] == "rm" && remove[1] == "-f",
             "not the scratch removal", g_commands[2]);
  const std::string& scratch = remove[2];
  if (cut_move || cut_join) return;
  FUZZ_CHECK(move.size() == 3 && move[0] == "mv" && move[2] == scratch, "not the move aside",
             g_commands[0]);
  FUZZ_CHECK(join.size() == 5 && join[0] == "cat" && join[1] == "Header.txt" &&
                 join[2] == scratch && join[3] == ">" && join[4] == move[1],
             "not the join", g_commands[1]);
  auto output = after.find(entry_of(move[1]));
  FUZZ_CHECK(output != after.end(), "the converted file is missing", move[1]);
  auto header = before.find("Header.txt");
  std::string_view text = header != before.end() ? std::string_view(header->second) : "";
  FUZZ_CHECK(output->second.compare(0, text.size(), text) == 0,
             "the output does not begin with the header text", output->second);
  check_point_lines(lines_of(std::string_view(output->second).substr(text.size())), 0, move[1]);
}

// The plain effects of colbrand's three commands, so that the run can see them done; any other
// command (unix2dos) changes nothing here.
int act_out(std::string_view command) {
  std::vector<std::string> w;
  bool cut = false;
  if (!shell_words(command, w, cut) || cut) return 0;
  if (w.size() == 3 && w[0] == "mv") return std::rename(w[1].c_str(), w[2].c_str()) == 0 ? 0 : 1;
  if (w.size() == 3 && w[0] == "rm") return std::remove(w[2].c_str()) == 0 ? 0 : 1;
  if (w.size() == 5 && w[0] == "cat" && w[3] == ">") {
    std::string header, points;
    bool had_header = testkit::read_file(w[1], header);
    if (!testkit::read_file(w[2], points)) return 1;
    testkit::write_file(w[4], header + points);
    return had_header ? 0 : 1;
  }
  return 0;
}

// The shell is never started during a run: the command is recorded for the checks above.
int record_command(const char* command) {
  g_commands.emplace_back(command);
  return act_out(command);
}

void run_program(int program) {
  switch (program) {
    case 0:
      run_vantor(Invocation{});
    case 1:
      run_pressik(Invocation{});
    default:
      run_colbrand(Invocation{});
  }
}

}  // namespace
}  // namespace convkit

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace convkit;
  static bool started = false;
  static std::string home;  // the fuzzer reads its corpus relative to it
  if (!started) {
    char* cwd = getcwd(nullptr, 0);
    if (cwd == nullptr) fuzz_fail("no working directory");
    home = cwd;
    std::free(cwd);
    fuzz_silence_stdout();
    fuzz_start_record_layer();
    run_commands_through(convkit::record_command);
    started = true;
  }
  Bundle bundle;
  if (!split_input(data, size, bundle) || !control_is_safe(bundle.control)) return 0;
  const std::string control_name = kControlNames[bundle.program];
  for (const auto& file : bundle.files) {
    if (file.first == control_name) return 0;  // it would replace the checked control file
  }

  const std::string dir = testkit::process_scratch_dir() + "/run";
  testkit::remove_tree(dir);
  if (mkdir(dir.c_str(), 0755) != 0) fuzz_fail("cannot make the run directory", dir);
  std::map<std::string, std::string> before;
  before[control_name] = bundle.control;
  for (const auto& file : bundle.files) before[file.first] = file.second;
  for (const auto& [name, bytes] : before) testkit::write_file(dir + "/" + name, bytes);

  const int fds = fuzz_open_fd_count();
  if (chdir(dir.c_str()) != 0) fuzz_fail("cannot enter the run directory", dir);
  g_commands.clear();
  const std::optional<RunEnded> ended = testkit::run_end_of([&] { run_program(bundle.program); });
  if (chdir(home.c_str()) != 0) fuzz_fail("cannot leave the run directory", home);

  FUZZ_CHECK(ended.has_value(), "a run order returned");
  FUZZ_CHECK(fuzz_open_fd_count() == fds, "a run left a file descriptor open");
  for (int n = 1; n < kUnitCount; ++n) {
    if (n != kErrorUnit && n != kInputUnit && n != kConsoleUnit) {
      FUZZ_CHECK(!unit_connected(n), "a unit is left connected after the run ended");
    }
  }
  const std::map<std::string, std::string> after = directory_files(dir);
  // A completed colbrand run with no point lines leaves the header text alone, which ends as the
  // user's Header.txt ends.
  auto header = before.find("Header.txt");
  const bool header_alone_allowed = bundle.program == 2 && !ended->failed && header != before.end();
  for (const auto& [name, bytes] : after) {
    auto old = before.find(name);
    if (old != before.end() && old->second == bytes) continue;
    if (header_alone_allowed && bytes == header->second) continue;
    FUZZ_CHECK(bytes.empty() || bytes.back() == '\n', "a file left with a partial record", name);
  }
  if (ended->failed) {
    FUZZ_CHECK(fuzz_report_has_shape(ended->report), "a failure report of another form",
               ended->report);
    // Only a finishing command that failed ends a run after the commands have started.
    const bool command_failed =
        ended->report.rfind("mv: ", 0) == 0 || ended->report.rfind("cat: ", 0) == 0;
    FUZZ_CHECK(g_commands.empty() || command_failed, "a failed run ran a shell command",
               g_commands.empty() ? std::string() : g_commands[0]);
  } else {
    FUZZ_CHECK(ended->report.empty(), "a stop with a message", ended->report);
    if (bundle.program == 2) {
      check_completed_colbrand(before, after);
    } else {
      check_completed_zep(after);
    }
  }
  testkit::remove_tree(dir);
  return 0;
}
