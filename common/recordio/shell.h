// Commands for the system shell, and file names made safe to stand in them.
#pragma once

#include <string>
#include <string_view>

namespace convkit {

/// Runs the first length characters of command (cut at a zero byte) through /bin/sh, after the
/// console's lines so far, and waits; returns the status, which no caller needs. Exits with
/// status 3 after "malloc(N) failure in run_shell" when the command's memory cannot be had.
int run_shell(const char* command, size_t length);

/// name as one word of a shell command: unchanged when made only of A-Z a-z 0-9 . _ + , : @ %
/// / = -, otherwise single-quoted with each ' written as '\''; "./" before a leading dash.
std::string shell_word(std::string_view name);

}  // namespace convkit
