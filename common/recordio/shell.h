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

/// Runs the first length characters of command (cut at a zero byte) through /bin/sh, after the
/// console's lines so far, and waits; returns the wait status (0: the command succeeded). An
/// interrupt or quit that ended the command counts as noted by the run. Exits with status 3
/// after "malloc(N) failure in run_shell" when the command's memory cannot be had.
int run_shell(const char* command, size_t length, NotedSignal noted = NotedSignal::report);

/// What runs a command line instead of the shell, for a test or fuzz target that watches the
/// commands of a run: it gets the command and returns its wait status. nullptr: the shell.
using CommandRunner = int (*)(const char* command);

/// Sends the commands of run_shell to runner from now on.
void run_commands_through(CommandRunner runner);

/// Whether the shell finds a command of this name on PATH, as it looks for one to run.
bool tool_on_path(std::string_view tool);

/// Whether c may stand unquoted in a shell word: A-Z a-z 0-9 . _ + , : @ % / = -.
bool is_plain_word_char(char c);

/// A file name, exactly as given, as one word of a shell command: unchanged when made only of
/// plain word characters, otherwise single-quoted with each ' written as '\''; "./" before a
/// leading dash. A name from a control file is given as its open reached it (opened_name), so
/// that the command names the file the run wrote.
std::string shell_word(std::string_view name);

}  // namespace convkit
