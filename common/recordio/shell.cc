// The shell call. A name from a control file is data, never part of a command: any name with a
// character the shell could read as syntax goes into the command single-quoted.
#include "common/recordio/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {

bool is_plain_word_char(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("._+,:@%/=-", c) != nullptr && c != '\0';
}

int run_shell(const char* command, size_t length, NotedSignal noted) {
  const void* zero = std::memchr(command, '\0', length);
  if (zero != nullptr) length = static_cast<size_t>(static_cast<const char*>(zero) - command);
  char* line = static_cast<char*>(std::malloc(length + 1));
  if (line == nullptr) {
    std::fprintf(stderr, "malloc(%u) failure in %s\n", static_cast<unsigned>(length + 1),
                 "run_shell");
    std::exit(3);
  }
  std::memcpy(line, command, length);
  line[length] = '\0';
  int status = std::system(line);
  std::free(line);
  if (noted == NotedSignal::report) poll_signals();
  return status;
}

std::string shell_word(std::string_view name) {
  // A name that begins with a dash would be read as an option by the tool it is given to.
  std::string word = name.substr(0, 1) == "-" ? "./" : "";
  bool plain = !name.empty();
  for (char c : name) plain = plain && is_plain_word_char(c);
  if (plain) return word.append(name);
  word += "'";
  for (char c : name) {
    if (c == '\'') {
      word += "'\\''";
    } else {
      word += c;
    }
  }
  word += '\'';
  return word;
}

}  // namespace convkit
