// Commands for the system shell, and file names made safe to stand in them.
#pragma once

#include <string>
#include <string_view>

namespace convkit {

/// What run_shell does with a signal noted while the command ran.
enum class NotedSignal {
  report,  // its report comes as soon as the command has finished
  hold,    // it waits for the caller's next safe point (a series of commands that must all run)
};

/// Runs the first length characters of command (cut at a zero byte) through /bin/sh and waits;
/// returns the wait status (0: the command succeeded). Exits with status 3 after "malloc(N)
/// failure in run_shell" when the command's memory cannot be had.
int run_shell(const char* command, size_t length, NotedSignal noted = NotedSignal::report);

/// Whether c may stand unquoted in a shell word: A-Z a-z 0-9 . _ + , : @ % / = -.
bool is_plain_word_char(char c);

/// A file name, exactly as given, as one word of a shell command: unchanged when made only of
/// plain word characters, otherwise single-quoted with each ' written as '\''; "./" before a
/// leading dash. A name from a control file is given as its open reached it (opened_name), so
/// that the command names the file the run wrote.
std::string shell_word(std::string_view name);

}  // namespace convkit
