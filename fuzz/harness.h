// What the fuzz targets share beyond the test kit (tests/support): checks that end the process
// with a message (so that the fuzzer and the corpus replay both see a crash), the shape of the
// failure report and the process's descriptors and console.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace convkit {

/// Writes what went wrong and the detail (shown with escapes) to standard error, then aborts.
[[noreturn]] void fuzz_fail(std::string_view what, std::string_view detail = {});

}  // namespace convkit

/// fuzz_fail(...) unless ok. A macro, so that the message is built only when a check fails: the
/// checks run millions of times a minute.
#define FUZZ_CHECK(ok, ...)                       \
  do {                                            \
    if (!(ok)) ::convkit::fuzz_fail(__VA_ARGS__); \
  } while (false)

namespace convkit {

/// The bytes as a C-like literal ("a\r\n\x01"), for messages.
std::string fuzz_escaped(std::string_view bytes);

/// Bytes kept on both sides of a target that a read or a form fills, to catch a write past
/// either end; they hold kFuzzGuardByte.
inline constexpr size_t kFuzzGuard = 16;
inline constexpr char kFuzzGuardByte = '\xa5';

/// Whether the kFuzzGuard bytes before target and after its width bytes still hold
/// kFuzzGuardByte.
bool fuzz_guards_intact(const char* target, size_t width);

/// How many file descriptors the process holds open.
int fuzz_open_fd_count();

/// Whether report has the form of a failure report: "<context>: <message>", "apparent state:
/// ...", an optional "last format: ...", and "lately ... IO", each ended by a line feed.
bool fuzz_report_has_shape(std::string_view report);

/// Once a process: the record layer's run ends are caught (fail_run throws RunEnded instead of
/// ending the fuzzer) and the standard units are connected, as at the start of a run.
void fuzz_start_record_layer();

/// Sends standard output to /dev/null, so that the console lines of millions of runs do not
/// flood the terminal or the test log.
void fuzz_silence_stdout();

}  // namespace convkit
