// Fault tests of the real programs: inputs too big or too odd for a golden case, signals in the
// middle of a conversion, outputs that cannot be written, file names the shell would take
// apart, and random bytes where a control file or an export should be.
//
// Each test runs the program in a fresh directory through run_program, which kills it at a
// hard time limit, so a hang shows as a failure and never as a stuck test run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/process.h"

#ifndef CONVKIT_SANITIZED
#define CONVKIT_SANITIZED 0
#endif

namespace convkit {
namespace {

using testkit::file_size;
using testkit::list_dir;
using testkit::read_file;
using testkit::run_program;
using testkit::RunOptions;
using testkit::RunResult;
using testkit::Sandbox;
using testkit::write_file;

// Under the sanitizers every program runs many times slower and its memory is not its own.
constexpr bool kSanitized = CONVKIT_SANITIZED != 0;
constexpr double kSlowdown = kSanitized ? 10.0 : 1.0;
// The time limit of every run. It only tells a hang from a slow run on a loaded machine and
// never judges speed (the speed targets live in make bench): the slowest run here, a conversion
// of a million points, takes a second or two.
constexpr double kHangSeconds = 60.0 * kSlowdown;

constexpr int64_t kMaxPoints = 1000000;
constexpr long kMemoryLimitKib = 8 * 1024;
constexpr const char* kToolDir = CONVKIT_E2E_TOOL_DIR;

struct ProgramCase {
  const char* name;
  const char* binary;
  const char* control;  // the fixed control file name
  bool zep;             // vantor and pressik: 41 ZEP header records, unix2dos at the end
};

// A failing test names its program.
void PrintTo(const ProgramCase& p, std::ostream* os) { *os << p.name; }

const ProgramCase kVantor{"vantor", CONVKIT_VANTOR, "vantor.inp", true};
const ProgramCase kPressik{"pressik", CONVKIT_PRESSIK, "pressik.inp", true};
const ProgramCase kColbrand{"colbrand", CONVKIT_COLBRAND, "colbrand.inp", false};

constexpr std::string_view kHeaderText = "DigiSim header line\r\n";
constexpr int64_t kZepHeaderLines = 41;

// The control file, in_line and out_line as they stand in the file before their CR LF.
std::string control_text(const ProgramCase& p, std::string_view in_line,
                         std::string_view out_line) {
  std::string text(in_line);
  text += "\r\n";
  text += out_line;
  text += "\r\n";
  text += p.zep ? "0.1\r\n-0.2\r\n0.6\r\n-0.2\r\n10.0\r\n50\r\n" : "0.001\r\n";
  return text;
}

// ---- Big files, written and read without holding them -----------------------------------------

// A block of memory mapped for itself and unmapped when it goes. The C library's heap would keep
// freed blocks resident in the test process, and a child forked later would start its peak
// resident memory from them.
class Block {
 public:
  explicit Block(size_t size)
      : size_(size),
        data_(static_cast<char*>(
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0))) {
    if (data_ == MAP_FAILED) throw std::runtime_error("mmap failed");
  }
  ~Block() { munmap(data_, size_); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  char* data() { return data_; }
  size_t size() const { return size_; }

 private:
  size_t size_;
  char* data_;
};

uint64_t fnv1a(uint64_t hash, const char* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    hash ^= static_cast<unsigned char>(bytes[i]);
    hash *= 1099511628211ULL;
  }
  return hash;
}

constexpr uint64_t kFnvStart = 14695981039346656037ULL;

uint64_t hash_file(const std::string& path) {
  uint64_t hash = kFnvStart;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  Block buf(1 << 20);
  ssize_t n;
  while ((n = read(fd, buf.data(), buf.size())) > 0) {
    hash = fnv1a(hash, buf.data(), static_cast<size_t>(n));
  }
  close(fd);
  return hash;
}

// Writes a file in large blocks and keeps a hash of what it wrote.
class BlockWriter {
 public:
  explicit BlockWriter(const std::string& path)
      : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)), buf_(1 << 20) {
    if (fd_ < 0) throw std::runtime_error("cannot create " + path);
  }
  ~BlockWriter() {
    flush();
    close(fd_);
  }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  void put(std::string_view text) {
    if (buf_.size() - used_ < text.size()) flush();
    if (text.size() > buf_.size()) {
      write_block(text.data(), text.size());
      return;
    }
    std::memcpy(buf_.data() + used_, text.data(), text.size());
    used_ += text.size();
  }
  void put_uint(uint64_t value) {
    if (buf_.size() - used_ < 24) flush();
    auto [end, ec] = std::to_chars(buf_.data() + used_, buf_.data() + buf_.size(), value);
    used_ = static_cast<size_t>(end - buf_.data());
  }
  void flush() {
    write_block(buf_.data(), used_);
    used_ = 0;
  }
  uint64_t hash() {
    flush();
    return hash_;
  }

 private:
  void write_block(const char* bytes, size_t n) {
    hash_ = fnv1a(hash_, bytes, n);
    while (n > 0) {
      ssize_t done = write(fd_, bytes, n);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) throw std::runtime_error("cannot write a big file");
      bytes += done;
      n -= static_cast<size_t>(done);
    }
  }

  int fd_;
  Block buf_;
  size_t used_ = 0;
  uint64_t hash_ = kFnvStart;
};

// An export of kMaxPoints + 3 data lines with CR LF ends. Data line i holds i E-06, i.5 and
// -i E-09, except line 1000000, which holds 1.5, -2.5 and -2.5, so that the last converted
// line is told apart from its neighbours; the three lines after it hold 9.5 three times.
// Returns the hash of the bytes.
uint64_t write_million_export(const std::string& path) {
  BlockWriter out(path);
  out.put("DigiElch export\r\nScan rate 0.1\r\nnumber\tE/V\tt/s\tI/A\r\n");
  for (uint64_t i = 1; i < static_cast<uint64_t>(kMaxPoints); ++i) {
    out.put_uint(i);
    out.put("E-06\t");
    out.put_uint(i);
    out.put(".5\t-");
    out.put_uint(i);
    out.put("E-09\r\n");
  }
  out.put("1.5\t-2.5\t-2.5\r\n");
  for (int i = 0; i < 3; ++i) out.put("9.5\t9.5\t9.5\r\n");
  return out.hash();
}

// The first n bytes of a file, read without taking in the rest.
std::string file_head(const std::string& path, size_t n) {
  std::string head(n, '\0');
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ssize_t got = fd < 0 ? 0 : pread(fd, head.data(), n, 0);
  if (fd >= 0) close(fd);
  head.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return head;
}

struct LineScan {
  int64_t lines = 0;               // complete lines
  int64_t first_wrong_length = 0;  // the first checked line of another length (1-based), or 0
  std::string first_checked;       // the first line after the skipped ones, without its LF
  std::string last;                // the last line, without its LF; a partial line included
  bool ends_in_line_feed = false;
};

// Counts the lines of a file and checks that every line after the first `skip` has `length`
// bytes before its LF.
LineScan scan_lines(const std::string& path, int64_t skip, size_t length) {
  LineScan scan;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return scan;
  Block buf(1 << 20);
  std::string current;
  ssize_t n;
  while ((n = read(fd, buf.data(), buf.size())) > 0) {
    const char* p = buf.data();
    const char* end = p + n;
    while (p < end) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      if (lf == nullptr) {
        current.append(p, end);
        break;
      }
      current.append(p, lf);
      ++scan.lines;
      if (scan.lines > skip) {
        if (scan.lines == skip + 1) scan.first_checked = current;
        if (current.size() != length && scan.first_wrong_length == 0) {
          scan.first_wrong_length = scan.lines;
        }
      }
      scan.last.swap(current);
      current.clear();
      p = lf + 1;
    }
  }
  close(fd);
  scan.ends_in_line_feed = scan.lines > 0 && current.empty();
  if (!current.empty()) scan.last = current;
  return scan;
}

// ---- How a run may end ---------------------------------------------------------------------

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find('\n', start);
    if (lf == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  return lines;
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The contexts a failure report may open with.
constexpr std::string_view kContexts[] = {
    "read start",
    "list in",
    "invalid number",
    "invalid integer",
    "exponent field",
    "bad repetition count",
    "no space",
    "realloc failure",
    "malloc failure",
    "fmt",
    "open",
    "rewind",
    "endfile",
    "write start",
    "list output start",
    "write",
    "close",
};

// What went to standard error is one failure report, as the failure path writes it.
std::string judge_report(const std::string& err) {
  if (err.empty() || err.back() != '\n') return "the report does not end in a line feed";
  std::vector<std::string> lines = split_lines(err);
  if (lines.size() != 3 && lines.size() != 4) return "the report has not 3 or 4 lines";
  size_t colon = lines[0].find(": ");
  bool known = false;
  for (std::string_view context : kContexts) {
    if (colon != std::string::npos && lines[0].substr(0, colon) == context) known = true;
  }
  if (!known || lines[0].size() == colon + 2) return "first line: " + lines[0];
  if (!starts_with(lines[1], "apparent state: ")) return "second line: " + lines[1];
  if (lines.size() == 4 && !starts_with(lines[2], "last format: ")) return "line: " + lines[2];
  const std::string& last = lines.back();
  if (last != "lately reading sequential formatted external IO" &&
      last != "lately writing sequential formatted external IO" &&
      last != "lately writing sequential formatted internal IO") {
    return "last line: " + last;
  }
  return {};
}

// What the shell and its tools may say about an odd output name in a completed run.
bool is_tool_chatter(const std::string& line) {
  for (std::string_view prefix : {"sh: ", "/bin/sh: ", "sed: ", "mv: ", "cat: ", "rm: "}) {
    if (starts_with(line, prefix)) return true;
  }
  return false;
}

// Empty when the run ended in one of the ways a run may end; else what was wrong.
std::string judge_end(const RunResult& r, bool allow_tool_chatter) {
  if (r.timed_out) return "hang: killed at the time limit";
  if (r.exited) {
    if (r.exit_status != 0) return "exit status " + std::to_string(r.exit_status);
    if (r.err.empty()) return {};
    if (!allow_tool_chatter) return "exit 0 with standard error: " + r.err;
    for (const std::string& line : split_lines(r.err)) {
      if (!is_tool_chatter(line)) return "exit 0 with standard error: " + r.err;
    }
    return {};
  }
  if (r.term_signal != SIGABRT) return "killed by signal " + std::to_string(r.term_signal);
  std::string wrong = judge_report(r.err);
  return wrong.empty() ? wrong : wrong + "\n--- standard error:\n" + r.err;
}

// How a run that should have exited ended instead, for a failing assertion's message.
std::string how_it_ended(const RunResult& r) {
  return "signal " + std::to_string(r.term_signal) + (r.timed_out ? " (time limit)" : "");
}

// The peak resident memory stays under the limit (not judged under the sanitizers, whose memory
// is not the program's own).
void expect_little_memory(const RunResult& r) {
  if (!kSanitized) {
    EXPECT_LT(r.max_rss_kib, kMemoryLimitKib);
  }
}

// ---- The fixture -------------------------------------------------------------------------------

class FaultTest : public ::testing::TestWithParam<ProgramCase> {
 protected:
  const ProgramCase& program() const { return GetParam(); }

  void SetUp() override {
    if (!program().zep) put("Header.txt", kHeaderText);
  }

  void put(std::string_view name, std::string_view bytes) const {
    write_file(box_.path(name), bytes);
  }
  std::string get(std::string_view name) const { return read_file(box_.path(name)); }

  RunOptions options() const {
    RunOptions o;
    o.program = program().binary;
    o.dir = box_.dir();
    o.streams_dir = box_.root();
    o.tool_dir = kToolDir;
    o.timeout_seconds = kHangSeconds;
    return o;
  }

  RunResult run() const { return run_program(options()); }

  // Stand-ins for every outside tool the programs start, which only note that they were
  // started. Used where a real tool would act on a device or outside the test's directory.
  std::string guard_tools() const {
    std::string dir = box_.root() + "/guard-bin";
    mkdir(dir.c_str(), 0755);
    for (const char* tool : {"unix2dos", "mv", "cat", "rm"}) {
      std::string path = dir + "/" + tool;
      write_file(path, "#!/bin/sh\necho \"$0 $*\" >>\"" + box_.root() + "/tool-log\"\n");
      chmod(path.c_str(), 0755);
    }
    return dir;
  }
  std::string tool_log() const { return read_file(box_.root() + "/tool-log"); }

  // The console line that reports the point count.
  std::string found_line(const char* count) const {
    return program().zep ? std::string(" Found ") + count + " data points\n"
                         : std::string(" Found  ") + count + " points\n";
  }

  Sandbox box_;
};

std::string program_name(const ::testing::TestParamInfo<ProgramCase>& info) {
  return info.param.name;
}

// ---- More than 1000000 data lines ------------------------------------------------------------

TEST_P(FaultTest, ConvertsExactlyOneMillionOfMoreDataLines) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  uint64_t export_hash = write_million_export(box_.path("big.txt"));

  // The check foresees the bound - wrong times where delt is derived from the count; colbrand
  // reads this export's time column as its current - and changes nothing: it opens no file for
  // writing, not even without writing a byte.
  const std::vector<std::string> before = list_dir(box_.dir());
  RunOptions check = options();
  check.args = {"--check"};
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(
      inotify_add_watch(watch, box_.dir().c_str(),
                        IN_CLOSE_WRITE | IN_CREATE | IN_MODIFY | IN_ATTRIB | IN_MOVE | IN_DELETE),
      0);
  RunResult c = run_program(check);
  char events[4096];
  EXPECT_LE(read(watch, events, sizeof events), 0) << "--check opened a file for writing";
  close(watch);
  EXPECT_TRUE(c.exited && c.exit_status == 2) << how_it_ended(c) << "\n" << c.out;
  EXPECT_NE(c.out.find(std::string(p.zep ? ": error" : ": warning") +
                       ": the export holds more than 1000000 data lines: only the first 1000000 "
                       "are converted"),
            std::string::npos)
      << c.out;
  EXPECT_EQ(list_dir(box_.dir()), before);

  RunResult r = run();
  ASSERT_TRUE(r.exited) << how_it_ended(r) << "\n" << r.err;
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find(found_line("1000000")), std::string::npos) << r.out;
  EXPECT_EQ(hash_file(box_.path("big.txt")), export_hash) << "the export changed";

  if (p.zep) {
    // unix2dos has given every line its CR.
    LineScan scan = scan_lines(box_.path("out.txt"), kZepHeaderLines, 44);
    EXPECT_EQ(scan.lines, kZepHeaderLines + kMaxPoints);
    EXPECT_EQ(scan.first_wrong_length, 0);
    EXPECT_TRUE(scan.ends_in_line_feed);
    EXPECT_EQ(scan.first_checked, " 0.100000E-05   0.100000E-08   0.000000E+00\r");
    EXPECT_EQ(scan.last, " 0.150000E+01   0.250000E+01   0.160000E+02\r");
  } else {
    EXPECT_EQ(file_head(box_.path("out.txt"), kHeaderText.size()), kHeaderText);
    LineScan scan = scan_lines(box_.path("out.txt"), 1, 43);
    EXPECT_EQ(scan.lines, 1 + kMaxPoints);
    EXPECT_EQ(scan.first_wrong_length, 0);
    EXPECT_TRUE(scan.ends_in_line_feed);
    EXPECT_EQ(scan.first_checked, " 0.100000E-05  -0.150000E+01   0.000000E+00");
    EXPECT_EQ(scan.last, " 0.150000E+01   0.250000E+01   0.999999E+03");
  }
}

TEST_P(FaultTest, PeakMemoryOfAMillionPointsStaysUnder8MiB) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' own memory would be measured";
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  write_million_export(box_.path("big.txt"));

  RunResult r = run();
  ASSERT_TRUE(r.exited && r.exit_status == 0) << r.err;
  EXPECT_NE(r.out.find(found_line("1000000")), std::string::npos) << r.out;
  EXPECT_LT(r.max_rss_kib, kMemoryLimitKib);
  RecordProperty("max_rss_kib", static_cast<int>(r.max_rss_kib));
}

// ---- Interrupt and terminate in the middle of a conversion -------------------------------------

class SignalTest : public FaultTest {
 protected:
  // Runs a conversion of the million-point export and sends sig once the output has grown
  // past a few MiB, well short of its end.
  RunResult convert_and_signal(int sig, std::vector<int> ignored = {}) {
    const ProgramCase& p = program();
    control_ = control_text(p, "big.txt", "out.txt");
    put(p.control, control_);
    export_hash_ = write_million_export(box_.path("big.txt"));
    RunOptions o = options();
    std::string out = box_.path("out.txt");
    o.signal = sig;
    o.ready = [out](pid_t) { return file_size(out) > (4 << 20); };
    o.ignored = std::move(ignored);
    return run_program(o);
  }

  // What a run stopped by sig leaves: its report, exit status 1 before its end, a complete
  // last record, inputs unchanged, no stray files.
  void expect_stopped_cleanly(const RunResult& r, const char* report) {
    const ProgramCase& p = program();
    ASSERT_TRUE(r.signal_sent) << "the run ended before its output grew: " << r.out << r.err;
    ASSERT_TRUE(r.exited) << how_it_ended(r);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.err, report);
    EXPECT_LT(r.seconds_after_signal, kHangSeconds) << "the run went on after the signal";
    EXPECT_EQ(r.out.find("Converting output file"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Found  "), std::string::npos) << r.out;

    if (p.zep) {
      EXPECT_EQ(file_head(box_.path("out.txt"), 15), "cvsin_type_2  \n")
          << "the header block is gone";
    }
    LineScan scan = scan_lines(box_.path("out.txt"), p.zep ? kZepHeaderLines : 0, 43);
    EXPECT_TRUE(scan.ends_in_line_feed) << "partial last line: " << scan.last;
    EXPECT_EQ(scan.first_wrong_length, 0) << "line " << scan.first_wrong_length;
    EXPECT_GT(scan.lines, (p.zep ? kZepHeaderLines : 0) + 1000);
    EXPECT_LT(scan.lines, (p.zep ? kZepHeaderLines : 0) + kMaxPoints);
    EXPECT_EQ(scan.first_checked, p.zep ? " 0.100000E-05   0.100000E-08   0.000000E+00"
                                        : " 0.100000E-05  -0.150000E+01   0.000000E+00");

    EXPECT_EQ(get(p.control), control_);
    EXPECT_EQ(hash_file(box_.path("big.txt")), export_hash_) << "the export changed";
    std::vector<std::string> expected = {"big.txt", p.control, "out.txt"};
    if (!p.zep) expected.push_back("Header.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(list_dir(box_.dir()), expected);
  }

  std::string control_;
  uint64_t export_hash_ = 0;
};

TEST_P(SignalTest, InterruptMidConversion) {
  RunResult r = convert_and_signal(SIGINT);
  expect_stopped_cleanly(r, "Interrupt\n");
}

TEST_P(SignalTest, TerminateMidConversion) {
  RunResult r = convert_and_signal(SIGTERM);
  expect_stopped_cleanly(r, "Killed\n");
}

// An interrupt that the user's shell told the program to ignore stays ignored.
TEST_P(SignalTest, IgnoredInterruptLetsTheRunComplete) {
  RunResult r = convert_and_signal(SIGINT, {SIGINT});
  ASSERT_TRUE(r.signal_sent);
  ASSERT_TRUE(r.exited) << "signal " << r.term_signal;
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find(found_line("1000000")), std::string::npos) << r.out;
  LineScan scan = scan_lines(box_.path("out.txt"), 0, 0);
  EXPECT_EQ(scan.lines, (program().zep ? kZepHeaderLines : 1) + kMaxPoints);
}

// vantor and pressik read the whole export before they open their output: an interrupt in
// that first pass leaves no output file.
class TwoPassSignalTest : public SignalTest {};

TEST_P(TwoPassSignalTest, InterruptInTheFirstPassLeavesNoOutput) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  uint64_t export_hash = write_million_export(box_.path("big.txt"));
  RunOptions o = options();
  std::string exported = box_.path("big.txt");
  o.signal = SIGINT;
  o.ready = [exported](pid_t pid) { return testkit::file_offset_in(pid, exported) > (4 << 20); };
  RunResult r = run_program(o);

  ASSERT_TRUE(r.signal_sent) << "the first pass ended unseen: " << r.out << r.err;
  ASSERT_TRUE(r.exited) << how_it_ended(r);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, "Interrupt\n");
  EXPECT_LT(r.seconds_after_signal, kHangSeconds) << "the run went on after the signal";
  EXPECT_EQ(r.out.find(" Found"), std::string::npos) << r.out;
  EXPECT_EQ(list_dir(box_.dir()), (std::vector<std::string>{"big.txt", p.control}));
  EXPECT_EQ(hash_file(exported), export_hash) << "the export changed";
}

// A run killed outright is never cut at its close: an older, longer output must already be
// empty when the first new line is written, or its tail stays behind the new lines.
TEST_P(TwoPassSignalTest, KilledRunLeavesNoTailOfAnOlderOutput) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  write_million_export(box_.path("big.txt"));
  const std::string out = box_.path("out.txt");
  constexpr int64_t kOlderSize = int64_t{1} << 30;  // sparse: it costs no disk
  write_file(out, "older run\n");
  ASSERT_EQ(truncate(out.c_str(), kOlderSize), 0);
  RunOptions o = options();
  o.signal = SIGKILL;
  o.ready = [out](pid_t pid) { return testkit::file_offset_in(pid, out) > (4 << 20); };
  RunResult r = run_program(o);

  ASSERT_TRUE(r.signal_sent) << "the conversion ended unseen: " << r.out << r.err;
  EXPECT_EQ(r.term_signal, SIGKILL) << "exit " << r.exit_status;
  EXPECT_GT(file_size(out), 4 << 20);
  EXPECT_LT(file_size(out), kMaxPoints * 43) << "the older output's tail is still there";
  EXPECT_EQ(file_head(out, 15), "cvsin_type_2  \n");
}

// ---- Outputs that cannot be written ------------------------------------------------------------

constexpr std::string_view kSmallExport = "hdr\r\nnumber\r\n1.0 2.0 3.0\r\n4.0 5.0 6.0\r\n";

// A console whose reader has gone (the program piped into a command that has ended) must not
// keep a run from cutting its output: vantor completes; pressik and colbrand fail in their
// conversion pass (pressik on a CR LF record of two numbers, colbrand of one) and still leave the
// output cut after the lines they wrote, with no byte of the older, longer file behind them.
TEST_P(FaultTest, ConsoleReaderGoneStillLeavesTheOutputCut) {
  const ProgramCase& p = program();
  const bool completes = p.name == std::string("vantor");
  put(p.control, control_text(p, "in.txt", "out.txt"));
  put("in.txt", completes ? std::string(kSmallExport)
                          : std::string("hdr\r\nnumber\r\n1.0 2.0 3.0\r\n") +
                                (p.zep ? "4.0 5.0\r\n" : "4.0\r\n") + "5.0 6.0 7.0\r\n");
  put("out.txt", std::string(100000, '#'));
  RunOptions o = options();
  o.console_reader_gone = true;
  RunResult r = run_program(o);
  const std::string out = get("out.txt");
  EXPECT_EQ(out.find('#'), std::string::npos) << "the older output survives";
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), '\n');
  if (completes) {
    EXPECT_TRUE(r.exited && r.exit_status == 0) << "signal " << r.term_signal;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), kZepHeaderLines + 2);
  } else {
    EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "invalid number: incomprehensible list input");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), (p.zep ? kZepHeaderLines : 0) + 1);
  }
}

TEST_P(FaultTest, OutputOnAFullDeviceFailsAndAborts) {
  const ProgramCase& p = program();
  // A free-form name ends at a slash, so it is quoted, and the cut takes its last character.
  put(p.control, control_text(p, "in.txt", p.zep ? "'/dev/fullX'" : "/dev/full"));
  put("in.txt", kSmallExport);
  RunOptions o = options();
  o.tool_dir = guard_tools();
  RunResult r = run_program(o);

  EXPECT_FALSE(r.exited && r.exit_status == 0) << "a lost output reported as success";
  EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
  std::vector<std::string> lines = split_lines(r.err);
  ASSERT_GE(lines.size(), 3u) << r.err;
  ASSERT_LE(lines.size(), 4u) << r.err;
  EXPECT_EQ(lines[0], "write: No space left on device");
  EXPECT_EQ(lines[1], p.zep ? "apparent state: unit 25 named /dev/full"
                            : "apparent state: unit 3 named /dev/full");
  if (lines.size() == 4) {
    EXPECT_TRUE(starts_with(lines[2], "last format: ")) << lines[2];
  }
  EXPECT_EQ(lines.back(), "lately writing sequential formatted external IO");
  EXPECT_EQ(tool_log(), "") << "a shell command ran after the failure";
  EXPECT_EQ(get("in.txt"), kSmallExport);
}

// With a million points the device is found full while point records are being written.
TEST_P(FaultTest, FullDeviceInTheMiddleOfTheConversion) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", p.zep ? "'/dev/fullX'" : "/dev/full"));
  write_million_export(box_.path("big.txt"));
  RunOptions o = options();
  o.tool_dir = guard_tools();
  RunResult r = run_program(o);

  EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
  EXPECT_EQ(r.err, p.zep ? "write: No space left on device\n"
                           "apparent state: unit 25 named /dev/full\n"
                           "last format: (3(E13.6,2x))\n"
                           "lately writing sequential formatted external IO\n"
                         : "write: No space left on device\n"
                           "apparent state: unit 3 named /dev/full\n"
                           "last format: (3(E13.6,2x))\n"
                           "lately writing sequential formatted external IO\n");
  EXPECT_EQ(tool_log(), "") << "a shell command ran after the failure";
}

struct OpenFailureCase {
  const char* title;
  const char* zep_line;       // the name line of vantor.inp and pressik.inp
  const char* colbrand_line;  // the name line of colbrand.inp
  const char* zep_report;
  const char* colbrand_report;
};

const OpenFailureCase kOpenFailures[] = {
    {"missing directory", "'nodir/out.txt_'", "nodir/out.txt",
     "open: No such file or directory\n"
     "apparent state: unit 25 named nodir/out.txt\n"
     "last format: list io\n"
     "lately writing sequential formatted external IO\n",
     "open: No such file or directory\n"
     "apparent state: unit 3 named nodir/out.txt\n"
     "last format: list io\n"
     "lately writing sequential formatted external IO\n"},
    {"directory that is a regular file", "'in.txt/out.txt_'", "in.txt/out.txt",
     "open: Not a directory\n"
     "apparent state: unit 25 named in.txt/out.txt\n"
     "last format: list io\n"
     "lately writing sequential formatted external IO\n",
     "open: Not a directory\n"
     "apparent state: unit 3 named in.txt/out.txt\n"
     "last format: list io\n"
     "lately writing sequential formatted external IO\n"},
    {"name of the export", "in.txt", "in.txt",
     "open: file already connected to unit 2\n"
     "apparent state: unit 25 named in.txt\n"
     "last format: list io\n"
     "lately writing sequential formatted external IO\n",
     "open: file already connected to unit 2\n"
     "apparent state: unit 3 named in.txt\n"
     "last format: list io\n"
     "lately writing sequential formatted external IO\n"},
};

TEST_P(FaultTest, OutputThatCannotBeOpenedIsReported) {
  const ProgramCase& p = program();
  for (const OpenFailureCase& c : kOpenFailures) {
    SCOPED_TRACE(c.title);
    put(p.control, control_text(p, "in.txt", p.zep ? c.zep_line : c.colbrand_line));
    put("in.txt", kSmallExport);
    std::vector<std::string> before = list_dir(box_.dir());
    RunOptions o = options();
    o.tool_dir = guard_tools();
    RunResult r = run_program(o);

    EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
    EXPECT_EQ(r.err, p.zep ? c.zep_report : c.colbrand_report);
    EXPECT_EQ(get("in.txt"), kSmallExport) << "the export changed";
    EXPECT_EQ(list_dir(box_.dir()), before);
    EXPECT_EQ(tool_log(), "");
  }
}

TEST_P(FaultTest, OutputInAReadOnlyDirectoryIsReported) {
  const ProgramCase& p = program();
  // Root may write into any directory of an ordinary file system, but not into sysfs.
  const bool root = geteuid() == 0;
  struct stat st;
  if (root && stat("/sys/kernel", &st) != 0) GTEST_SKIP() << "root without a sysfs at /sys";
  const std::string out = root ? "/sys/convkit-out.txt" : "ro/out.txt";
  std::string refusal = "Permission denied";
  if (root) {
    // The system's own word for it (a read-only mount says so instead).
    int fd = open(out.c_str(), O_WRONLY | O_CREAT, 0666);
    if (fd >= 0) {
      close(fd);
      unlink(out.c_str());
      GTEST_SKIP() << "root can write into /sys here";
    }
    refusal = std::strerror(errno);
  } else {
    mkdir(box_.path("ro").c_str(), 0555);
  }
  put(p.control, control_text(p, "in.txt", p.zep ? "'" + out + "_'" : out));
  put("in.txt", kSmallExport);
  RunResult r = run();
  EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
  EXPECT_EQ(r.err, "open: " + refusal + "\napparent state: unit " + (p.zep ? "25" : "3") +
                       " named " + out +
                       "\n"
                       "last format: list io\n"
                       "lately writing sequential formatted external IO\n");
  if (!root) {
    EXPECT_EQ(list_dir(box_.path("ro")), std::vector<std::string>{});
  }
}

// ---- Hostile surroundings: limits, FIFOs, closed streams, unreadable files ---------------------

// An export of n data lines, three numbers each.
std::string points_export(int n) {
  std::string text = "hdr\r\nnumber\r\n";
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + ".0 2.0 3.0\r\n";
  return text;
}

// The state letter of a process, as /proc shows it ('S': asleep in a system call).
char process_state(pid_t pid) {
  std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
  size_t end = stat.rfind(") ");
  return end == std::string::npos || end + 2 >= stat.size() ? '?' : stat[end + 2];
}

// A process of its own that waits for a reader of the FIFO at path, writes bytes and closes it.
pid_t feed_fifo(const std::string& path, std::string_view bytes) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  int fd = open(path.c_str(), O_WRONLY);
  while (fd >= 0 && !bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n <= 0) _exit(1);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  _exit(fd >= 0 ? 0 : 1);
}

void end_process(pid_t pid) {
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Under a file size limit the write is refused like any other, and the output keeps whole
// lines only.
TEST_P(FaultTest, FileSizeLimitEndsTheRunWithTheWriteReport) {
  const ProgramCase& p = program();
  constexpr rlim_t kLimit = 1000000;
  put(p.control, control_text(p, "in.txt", "out.txt"));
  put("in.txt", points_export(30000));
  RunOptions o = options();
  o.tool_dir = guard_tools();
  o.limits = {{RLIMIT_FSIZE, kLimit}};
  RunResult r = run_program(o);

  EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
  EXPECT_EQ(r.err, std::string("write: File too large\napparent state: unit ") +
                       (p.zep ? "25" : "3") +
                       " named out.txt\n"
                       "last format: (3(E13.6,2x))\n"
                       "lately writing sequential formatted external IO\n");
  const std::string out = get("out.txt");
  EXPECT_GT(out.size(), kLimit - 100);
  EXPECT_LE(out.size(), kLimit);
  EXPECT_TRUE(out.ends_with("\n")) << "a partial last line";
  EXPECT_EQ(tool_log(), "");
}

// Terminate while a write waits for a reader that never comes: an output FIFO nobody reads.
TEST_P(FaultTest, TerminateWhileAWriteWaitsForItsReader) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "in.txt", "out.fifo"));
  put("in.txt", points_export(20000));
  const std::string fifo = box_.path("out.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // A read end that only looks at how full the FIFO is.
  int peek = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(peek, 0);
  RunOptions o = options();
  o.tool_dir = guard_tools();
  o.signal = SIGTERM;
  o.ready = [peek](pid_t pid) {
    int held = 0;
    return ioctl(peek, FIONREAD, &held) == 0 && held >= 32768 && process_state(pid) == 'S';
  };
  RunResult r = run_program(o);
  close(peek);

  ASSERT_TRUE(r.signal_sent) << "the FIFO never filled: " << r.out << r.err;
  ASSERT_TRUE(r.exited) << how_it_ended(r);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, "Killed\n");
  EXPECT_EQ(tool_log(), "");
}

// Whatever allocation fails, the run ends with its report. The limits swept reach from where
// the program cannot even be loaded (the loader's own failure, status 127) to where the run gets
// past every allocation of its own.
TEST_P(FaultTest, OutOfMemoryEndsWithTheReport) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers reserve more address space than the limits";
  const ProgramCase& p = program();
  put(p.control, control_text(p, "in.txt", "out.txt"));
  put("in.txt", kSmallExport);
  const std::string tools = guard_tools();
  auto run_within = [&](rlim_t kib, std::vector<std::string> args = {}) {
    RunOptions o = options();
    o.tool_dir = tools;
    o.limits = {{RLIMIT_AS, kib << 10}};
    o.args = std::move(args);
    return run_program(o);
  };
  auto short_of_memory = [](const RunResult& r) {
    return (r.exited && r.exit_status == 127) ||
           r.err.find("out of free space") != std::string::npos;
  };
  rlim_t low = 1024, high = 256 * 1024;
  while (high - low > 16) {
    rlim_t mid = (low + high) / 2;
    (short_of_memory(run_within(mid)) ? low : high) = mid;
  }
  int reports = 0;
  for (rlim_t kib = high - 1024; kib <= high; kib += 16) {
    SCOPED_TRACE(std::to_string(kib) + " KiB");
    RunResult r = run_within(kib);
    if (r.exited && r.exit_status == 127) continue;
    EXPECT_EQ(r.err.find("terminate"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("IOT Trap"), std::string::npos) << r.err;
    if (r.exited) {
      EXPECT_TRUE(r.exit_status == 0 || r.exit_status == 3) << r.exit_status << "\n" << r.err;
    } else {
      EXPECT_TRUE(r.aborted()) << how_it_ended(r);
      EXPECT_TRUE(r.err.ends_with(" IO\n")) << r.err;
    }
    if (r.err.find("out of free space") != std::string::npos) ++reports;
  }
  EXPECT_GT(reports, 0) << "no limit below " << high << " KiB made an allocation fail";
  RecordProperty("least_limit_kib", static_cast<int>(high));

  // --check, from where it can be loaded up to where it has all it needs: its own report.
  const std::string check_report =
      std::string(p.name) + ": out of memory: the check cannot go on\n";
  int check_reports = 0;
  for (rlim_t kib = high - 1024; kib <= high + 2048; kib += 64) {
    SCOPED_TRACE("--check within " + std::to_string(kib) + " KiB");
    RunResult r = run_within(kib, {"--check"});
    if (r.exited && r.exit_status == 127) continue;
    ASSERT_TRUE(r.exited) << how_it_ended(r) << "\n" << r.err;
    EXPECT_TRUE(r.err.empty() || r.err == check_report) << r.err;
    if (r.err == check_report) {
      EXPECT_EQ(r.exit_status, 2);
      ++check_reports;
    }
  }
  EXPECT_GT(check_reports, 0) << "no limit made an allocation of --check fail";
}

// A control file that is a FIFO ends when its writer closes it: here one line short, so the
// read of the last value meets the end of the file.
TEST_P(FaultTest, ControlFileFifoEndsWhenItsWriterCloses) {
  const ProgramCase& p = program();
  std::string control = control_text(p, "in.txt", "out.txt");
  control.erase(control.rfind('\n', control.size() - 2) + 1);
  put("in.txt", kSmallExport);
  const std::string fifo = box_.path(p.control);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  pid_t writer = feed_fifo(fifo, control);
  ASSERT_GT(writer, 0);
  RunResult r = run();
  end_process(writer);

  EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " " << how_it_ended(r);
  EXPECT_EQ(r.err, std::string("list in: end of file\napparent state: unit 1 named ") + p.control +
                       "\n"
                       "last format: list io\n"
                       "lately reading sequential formatted external IO\n");
}

// With standard streams closed, the run's files must not take their descriptors: the console
// lines and the report would land in them.
TEST_P(FaultTest, ClosedStandardStreamsKeepLinesAndReportsOutOfFiles) {
  const ProgramCase& p = program();
  struct Case {
    std::vector<int> closed;
    std::string_view exported;
    bool completes;
  };
  const Case cases[] = {
      {{0, 1, 2}, kSmallExport, true},
      {{2}, "hdr\r\nnumber\r\n1.0 x 3.0\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.completes ? "complete run" : "failing run");
    Sandbox box;
    const std::string control = control_text(p, "in.txt", "out.txt");
    write_file(box.path(p.control), control);
    write_file(box.path("in.txt"), c.exported);
    if (!p.zep) write_file(box.path("Header.txt"), kHeaderText);
    RunOptions o = options();
    o.dir = box.dir();
    o.streams_dir = box.root();
    o.closed = c.closed;
    RunResult r = run_program(o);

    EXPECT_EQ(read_file(box.path(p.control)), control);
    EXPECT_EQ(read_file(box.path("in.txt")), c.exported);
    if (c.completes) {
      EXPECT_TRUE(r.exited && r.exit_status == 0) << how_it_ended(r);
      const std::string out = read_file(box.path("out.txt"));
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), p.zep ? kZepHeaderLines + 2 : 3) << out;
    } else {
      EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
    }
  }
}

// An export that may be written but not read is refused at its open, and kept as it is.
TEST_P(FaultTest, ExportThatCannotBeReadIsRefusedAndKept) {
  if (!testkit::can_drop_file_override()) {
    GTEST_SKIP() << "root here cannot be made to meet file permissions";
  }
  const ProgramCase& p = program();
  put(p.control, control_text(p, "in.txt", "out.txt"));
  put("in.txt", kSmallExport);
  ASSERT_EQ(chmod(box_.path("in.txt").c_str(), 0200), 0);
  RunOptions o = options();
  o.tool_dir = guard_tools();
  o.without_file_override = true;
  // The check foresees the refusal with the conversion's own words.
  RunOptions check = o;
  check.args = {"--check"};
  RunResult c = run_program(check);
  EXPECT_TRUE(c.exited && c.exit_status == 2) << how_it_ended(c) << "\n" << c.out;
  EXPECT_NE(c.out.find("\"open: Permission denied\""), std::string::npos) << c.out;
  RunResult r = run_program(o);
  chmod(box_.path("in.txt").c_str(), 0644);

  EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
  std::vector<std::string> lines = split_lines(r.err);
  ASSERT_GE(lines.size(), 2u) << r.err;
  EXPECT_EQ(lines[0], "open: Permission denied");
  EXPECT_EQ(lines[1], "apparent state: unit 2 named in.txt");
  EXPECT_EQ(get("in.txt"), kSmallExport) << "the export changed";
}

// With the console and standard error in one log, the console's lines come before what the
// finishing commands print.
TEST_P(FaultTest, ConsoleLinesComeBeforeTheCommandsInOneLog) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "in.txt", "out.txt"));
  put("in.txt", kSmallExport);
  // Each tool names itself on standard error, then does its work.
  const std::string dir = box_.root() + "/named-bin";
  mkdir(dir.c_str(), 0755);
  for (const char* tool : {"unix2dos", "mv", "cat", "rm"}) {
    std::string path = dir + "/" + tool;
    write_file(path, std::string("#!/bin/sh\necho '[") + tool + "]' >&2\nPATH='" + kToolDir +
                         "':/usr/bin:/bin exec " + tool + " \"$@\"\n");
    chmod(path.c_str(), 0755);
  }
  RunOptions o = options();
  o.tool_dir = dir;
  o.errors_to_console = true;
  RunResult r = run_program(o);

  ASSERT_TRUE(r.exited && r.exit_status == 0) << how_it_ended(r) << "\n" << r.out;
  const std::string tail = p.zep ? " Converting output file from unix to dos\n[unix2dos]\n"
                                 : " Found  2 points\n[mv]\n[cat]\n[rm]\n";
  EXPECT_TRUE(r.out.ends_with(tail)) << r.out;
}

// ---- File names with shell metacharacters ----------------------------------------------------

struct ShellNameCase {
  const char* zep_line;       // as it stands in vantor.inp and pressik.inp
  const char* colbrand_line;  // as it stands in colbrand.inp
  const char* name;           // the file the run must write
};

// Each name would, if the shell took it apart, make a file "x" or "y", or (the globs) touch
// in.txt. A free-form name ends at a blank, comma or slash and a quote at its start is syntax,
// so a name with a blank is quoted, and the cut then takes the spare last character.
const ShellNameCase kShellNames[] = {
    {"o;touch${IFS}x;", "o;touch${IFS}x;", "o;touch${IFS}x;"},
    {"o$(touch${IFS}x)", "o$(touch${IFS}x)", "o$(touch${IFS}x)"},
    {"o`touch${IFS}x`", "o`touch${IFS}x`", "o`touch${IFS}x`"},
    {"o&touch${IFS}x&", "o&touch${IFS}x&", "o&touch${IFS}x&"},
    {"o|touch${IFS}x|", "o|touch${IFS}x|", "o|touch${IFS}x|"},
    {"o>x<in.txt", "o>x<in.txt", "o>x<in.txt"},
    {"[i]*", "[i]*", "[i]*"},
    {"?n.t?t", "?n.t?t", "?n.t?t"},
    {"o\"q'$HOME'\\", "o\"q'$HOME'\\", "o\"q'$HOME'\\"},
    {"a'b;touch${IFS}x;'", "a'b;touch${IFS}x;'", "a'b;touch${IFS}x;'"},
    {"'o ;touch${IFS}x;_'", "o ;touch${IFS}x;", "o ;touch${IFS}x;"},
    {"'x $(touch${IFS}y)_'", "x $(touch${IFS}y)", "x $(touch${IFS}y)"},
};

TEST_P(FaultTest, ShellMetacharactersInTheOutputNameRunNoCommand) {
  const ProgramCase& p = program();
  for (const ShellNameCase& c : kShellNames) {
    SCOPED_TRACE(c.name);
    Sandbox box;
    write_file(box.path(p.control),
               control_text(p, "in.txt", p.zep ? c.zep_line : c.colbrand_line));
    write_file(box.path("in.txt"), kSmallExport);
    if (!p.zep) write_file(box.path("Header.txt"), kHeaderText);
    RunOptions o = options();
    o.dir = box.dir();
    o.streams_dir = box.root();
    RunResult r = run_program(o);

    ASSERT_TRUE(r.exited) << "signal " << r.term_signal << "\n" << r.err;
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.err, "");
    std::string echo = p.zep ? std::string("\n ") + c.name + "\n"
                             : std::string("\n Converting in.txt to ") + c.name + "\n";
    EXPECT_NE(r.out.find(echo), std::string::npos) << r.out;

    std::vector<std::string> expected = {"in.txt", p.control, c.name};
    if (!p.zep) expected.push_back("Header.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(list_dir(box.dir()), expected);
    EXPECT_EQ(read_file(box.path("in.txt")), kSmallExport) << "the export changed";

    std::string output = read_file(box.path(c.name));
    if (p.zep) {
      // The CR LF ends show that unix2dos was given the whole name.
      LineScan scan = scan_lines(box.path(c.name), kZepHeaderLines, 44);
      EXPECT_EQ(scan.lines, kZepHeaderLines + 2);
      EXPECT_EQ(scan.first_checked, " 0.100000E+01  -0.300000E+01   0.000000E+00\r");
      EXPECT_EQ(scan.last, p.name == std::string_view("vantor")
                               ? " 0.400000E+01  -0.600000E+01   0.800000E+01\r"
                               : " 0.400000E+01  -0.600000E+01   0.160000E+02\r");
    } else {
      EXPECT_EQ(output,
                "DigiSim header line\r\n"
                " 0.100000E+01  -0.200000E+01   0.000000E+00\n"
                " 0.400000E+01  -0.500000E+01   0.100000E-02\n");
    }
  }
}

TEST_P(FaultTest, ShellMetacharactersInTheExportName) {
  const ProgramCase& p = program();
  const char* name = "i;n$(touch${IFS}x)`touch${IFS}y`";
  put(p.control, control_text(p, name, "out.txt"));
  put(name, kSmallExport);
  RunResult r = run();
  ASSERT_TRUE(r.exited) << "signal " << r.term_signal << "\n" << r.err;
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find(found_line("2")), std::string::npos) << r.out;
  std::vector<std::string> expected = {name, p.control, "out.txt"};
  if (!p.zep) expected.push_back("Header.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(list_dir(box_.dir()), expected);
  EXPECT_EQ(get(name), kSmallExport);
}

// ---- A header line of 200 MiB ------------------------------------------------------------------

constexpr int64_t kHugeLineBytes = int64_t{200} << 20;

void write_huge_line(const std::string& path, std::string_view before, std::string_view after) {
  BlockWriter out(path);
  out.put(before);
  Block block(size_t{4} << 20);
  std::memset(block.data(), 'x', block.size());
  for (int64_t done = 0; done < kHugeLineBytes; done += static_cast<int64_t>(block.size())) {
    out.put(std::string_view(block.data(), block.size()));
  }
  out.put(after);
}

TEST_P(FaultTest, HeaderLineOf200MiBInLittleMemory) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  constexpr std::string_view kTail = "\r\nnumber\r\n1.0 2.0 3.0\r\n4.0 5.0 6.0\r\n";
  write_huge_line(box_.path("big.txt"), "", kTail);
  RunResult r = run();

  ASSERT_TRUE(r.exited) << how_it_ended(r) << "\n" << r.err;
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find(found_line("2")), std::string::npos) << r.out;
  if (p.name == std::string_view("vantor")) {
    EXPECT_NE(r.out.find("\n Header length = 2\n"), std::string::npos) << r.out;
  }
  EXPECT_EQ(file_size(box_.path("big.txt")), kHugeLineBytes + static_cast<int64_t>(kTail.size()));
  expect_little_memory(r);
  RecordProperty("max_rss_kib", static_cast<int>(r.max_rss_kib));
}

// A heading item of 200 MiB is cut to its first 72 characters, which begin with "number".
TEST_P(FaultTest, HeadingItemOf200MiBInLittleMemory) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  write_huge_line(box_.path("big.txt"), "hdr\r\nnumber", "\r\n1.0 2.0 3.0\r\n");
  RunResult r = run();

  ASSERT_TRUE(r.exited) << how_it_ended(r) << "\n" << r.err;
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find(found_line("1")), std::string::npos) << r.out;
  expect_little_memory(r);
}

// Without a heading or a line end, the first read takes the line's item and meets the end of
// the file while skipping the rest of the record, which it does not report; the next read fails
// at its start.
TEST_P(FaultTest, HeaderLineOf200MiBWithoutHeadingFailsInLittleMemory) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  write_huge_line(box_.path("big.txt"), "", "");
  RunResult r = run();

  EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
  EXPECT_EQ(r.err,
            "read start: end of file\n"
            "apparent state: unit 2 named big.txt\n"
            "last format: list io\n"
            "lately reading sequential formatted external IO\n");
  expect_little_memory(r);
}

// ---- One writer, interrupted commands, outputs that go away, outputs that wait ------------------

// While a run converts, a second run in its folder meets the control file in use (as its check
// foresees), and a run elsewhere whose output is a link to the same file meets the output in
// use: both stop at once and leave everything as it was; the first run completes.
TEST_P(FaultTest, SecondRunOnTheSameFilesStopsAtOnce) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "big.txt", "out.txt"));
  write_million_export(box_.path("big.txt"));
  const std::string out = box_.path("out.txt");
  Sandbox other;
  write_file(other.path(p.control), control_text(p, "in.txt", "out.txt"));
  ASSERT_EQ(symlink(out.c_str(), other.path("out.txt").c_str()), 0);
  write_file(other.path("in.txt"), kSmallExport);
  if (!p.zep) write_file(other.path("Header.txt"), kHeaderText);
  const std::vector<std::string> other_files = list_dir(other.dir());
  RunResult same_folder, same_output, check;
  RunOptions o = options();
  o.ready = [&](pid_t) {
    if (file_size(out) <= (4 << 20)) return false;
    RunOptions second = options();
    second.streams_dir = other.root();
    second.args = {"--check"};
    check = run_program(second);
    second.args = {};
    same_folder = run_program(second);
    second.dir = other.dir();
    same_output = run_program(second);
    return true;
  };
  RunResult first = run_program(o);

  ASSERT_TRUE(first.signal_sent) << "the first run ended unseen: " << first.out << first.err;
  EXPECT_TRUE(first.exited && first.exit_status == 0) << first.err;
  EXPECT_EQ(scan_lines(out, 0, 0).lines, (p.zep ? kZepHeaderLines : 1) + kMaxPoints);
  EXPECT_TRUE(check.exited && check.exit_status == 2) << how_it_ended(check);
  EXPECT_NE(check.out.find("\"open: file is in use by another run\""), std::string::npos)
      << check.out;
  EXPECT_TRUE(same_folder.aborted()) << same_folder.err;
  EXPECT_TRUE(starts_with(same_folder.err, std::string("open: file is in use by another run\n"
                                                       "apparent state: unit 1 named ") +
                                               p.control + "\n"))
      << same_folder.err;
  EXPECT_TRUE(same_output.aborted()) << same_output.err;
  EXPECT_TRUE(
      starts_with(same_output.err, "open: file is in use by another run\napparent state: unit " +
                                       std::string(p.zep ? "25" : "3") + " named out.txt\n"))
      << same_output.err;
  EXPECT_EQ(list_dir(other.dir()), other_files);
}

// A terminal's interrupt reaches the finishing command and the run alike: the run ends with its
// own report once the command has ended, never with status 0. colbrand's last command is cut
// short, and its scratch file goes all the same.
TEST_P(FaultTest, InterruptDuringTheFinishingCommand) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "in.txt", "out.txt"));
  put("in.txt", kSmallExport);
  RunOptions o = options();
  o.tool_dir = box_.root() + "/slow-bin";
  mkdir(o.tool_dir.c_str(), 0755);
  const std::string started = box_.root() + "/started";
  const std::string tool = o.tool_dir + (p.zep ? "/unix2dos" : "/rm");
  write_file(tool, "#!/bin/sh\n: >'" + started + "'\nexec sleep 60\n");
  chmod(tool.c_str(), 0755);
  o.signal = SIGINT;
  o.to_group = true;
  o.ready = [started](pid_t) { return file_size(started) >= 0; };
  RunResult r = run_program(o);

  ASSERT_TRUE(r.signal_sent) << r.out << r.err;
  ASSERT_TRUE(r.exited) << how_it_ended(r);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, "Interrupt\n");
  std::vector<std::string> expected = {"in.txt", p.control, "out.txt"};
  if (!p.zep) expected.push_back("Header.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(list_dir(box_.dir()), expected);
  EXPECT_EQ(file_head(box_.path("out.txt"), p.zep ? 15 : kHeaderText.size() + 1),
            p.zep ? "cvsin_type_2  \n" : std::string(kHeaderText) + " ");
}

// A FIFO output is opened for writing only: the run waits for a reader that comes late, and
// every line reaches it.
TEST_P(FaultTest, FifoOutputWaitsForItsReader) {
  const ProgramCase& p = program();
  put(p.control, control_text(p, "in.txt", "out.fifo"));
  put("in.txt", points_export(100));
  const std::string fifo = box_.path("out.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  RunOptions o = options();
  o.tool_dir = guard_tools();
  int reader = -1;
  const auto start = std::chrono::steady_clock::now();
  o.ready = [&](pid_t pid) {
    if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(300)) return false;
    if (process_state(pid) != 'S') return false;
    reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return true;
  };
  RunResult r = run_program(o);
  std::string got;
  char buf[4096];
  ssize_t n;
  while (reader >= 0 && (n = read(reader, buf, sizeof buf)) > 0) got.append(buf, n);
  if (reader >= 0) close(reader);

  ASSERT_TRUE(r.signal_sent) << "the run did not wait: " << r.out << r.err;
  EXPECT_TRUE(r.exited && r.exit_status == 0) << r.err;
  EXPECT_NE(r.out.find(found_line("100")), std::string::npos) << r.out;
  EXPECT_EQ(std::count(got.begin(), got.end(), '\n'), (p.zep ? kZepHeaderLines : 0) + 100);
  if (!p.zep) {
    EXPECT_EQ(tool_log(), "");
  }
}

// ---- colbrand's finishing commands -------------------------------------------------------------

// Each command runs only when the one before it did its work; a failure keeps the points and
// says where they are. Tools that fail on purpose stand in for a full disk or a folder the user
// cannot write, which root does not meet.
struct FinishingCase {
  const char* title;
  const char* output_line;                                 // the output's name line of colbrand.inp
  std::vector<std::pair<const char*, const char*>> tools;  // stand-ins first on PATH
  bool guarded;                   // every tool only notes that it was started
  const char* first_report_line;  // "" for a completed run
  const char* points_in;          // where the point lines end up ("" for none)
  bool with_header;               // ... behind the header text
  int exit_status;                // for a run that ends by exit
};

const char* const kSignalDuringMove =
    "#!/bin/sh\np=$PPID\nwhile [ \"$(cat /proc/$p/comm)\" != colbrand ]; do\n"
    "  p=$(cut -d' ' -f4 /proc/$p/stat)\ndone\nkill -TERM $p\nexec /bin/mv \"$@\"\n";

const FinishingCase kFinishingCases[] = {
    {"mv fails: the points stay in the output",
     "out.txt",
     {{"mv", "#!/bin/sh\nexit 1\n"}},
     false,
     "mv: the output was not moved aside; its point lines are in out.txt",
     "out.txt",
     false,
     0},
    {"cat leaves the output short: the scratch file is kept",
     "out.txt",
     {{"cat", "#!/bin/sh\nhead -c 10 \"$1\"\n"}},
     false,
     "cat: the output is incomplete; its point lines are kept in ",
     "colbrand.",
     false,
     0},
    {"a signal while the commands run waits for the last of them",
     "out.txt",
     {{"mv", kSignalDuringMove}},
     false,
     "",
     "out.txt",
     true,
     1},
    {"a device as output runs no command", "/dev/null", {}, true, "", "", false, 0},
    {"a link as output: the file it points to", "link", {}, false, "", "real/out.txt", true, 0},
};

TEST(ColbrandFinishing, FailedCommandsKeepThePointsAndSaySo) {
  const std::string kPoints =
      " 0.100000E+01  -0.200000E+01   0.000000E+00\n"
      " 0.400000E+01  -0.500000E+01   0.100000E-02\n";
  for (const FinishingCase& c : kFinishingCases) {
    SCOPED_TRACE(c.title);
    Sandbox box;
    write_file(box.path("colbrand.inp"), control_text(kColbrand, "in.txt", c.output_line));
    write_file(box.path("in.txt"), kSmallExport);
    write_file(box.path("Header.txt"), kHeaderText);
    mkfifo(box.path("fifo").c_str(), 0644);
    mkdir(box.path("real").c_str(), 0755);
    write_file(box.path("real/out.txt"), "an older file\n");
    ASSERT_EQ(symlink("real/out.txt", box.path("link").c_str()), 0);
    RunOptions o;
    o.program = kColbrand.binary;
    o.dir = box.dir();
    o.streams_dir = box.root();
    o.tool_dir = box.root() + "/bin";
    o.timeout_seconds = kHangSeconds;
    mkdir(o.tool_dir.c_str(), 0755);
    std::vector<std::pair<const char*, const char*>> tools = c.tools;
    if (c.guarded) {
      for (const char* tool : {"mv", "cat", "rm"}) {
        tools.emplace_back(tool, "#!/bin/sh\necho \"$0\" >>../tool-log\n");
      }
    }
    for (const auto& [tool, script] : tools) {
      write_file(o.tool_dir + "/" + tool, script);
      chmod((o.tool_dir + "/" + tool).c_str(), 0755);
    }
    RunResult r = run_program(o);

    const bool fails = *c.first_report_line != '\0';
    if (fails) {
      EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
      EXPECT_TRUE(starts_with(r.err, c.first_report_line)) << r.err;
    } else {
      EXPECT_TRUE(r.exited && r.exit_status == c.exit_status) << r.err;
      EXPECT_EQ(r.err, c.exit_status == 1 ? "Killed\n" : "");
      for (const std::string& name : list_dir(box.dir())) {
        EXPECT_TRUE(name == "colbrand.inp" || !starts_with(name, "colbrand.")) << "left: " << name;
      }
    }
    EXPECT_EQ(read_file(box.root() + "/tool-log"), "");
    std::string holder = c.points_in;
    if (holder == "colbrand.") {  // the scratch file, named in the report
      std::vector<std::string> names = list_dir(box.dir());
      auto scratch = std::find_if(names.begin(), names.end(), [](const std::string& n) {
        return n != "colbrand.inp" && starts_with(n, "colbrand.");
      });
      ASSERT_NE(scratch, names.end()) << "the scratch file is gone";
      EXPECT_NE(r.err.find("kept in " + *scratch + "\napparent state: unit 3 named " + *scratch),
                std::string::npos)
          << r.err;
      holder = *scratch;
    }
    if (!holder.empty()) {
      EXPECT_EQ(read_file(box.path(holder)),
                std::string(c.with_header ? kHeaderText : "") + kPoints);
    }
    struct stat st;
    EXPECT_TRUE(lstat(box.path("fifo").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(lstat(box.path("link").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
  }
}

// What the finishing commands need is looked at before the output is touched: a run that could
// not finish stops with a report and leaves the older output byte for byte.
TEST(ColbrandFinishing, NeedsAreLookedAtBeforeTheOutputIsTouched) {
  struct NeedCase {
    const char* title;
    const char* output;  // the output's name; an older file of that name exists
    std::function<void(const Sandbox&)> arrange;
    bool as_owner;       // met as a user who is not root
    const char* report;  // the report's first two lines
  };
  const NeedCase cases[] = {
      {"Header.txt a FIFO", "out.txt",
       [](const Sandbox& b) { mkfifo(b.path("Header.txt").c_str(), 0644); }, false,
       "cat: Header.txt is not a regular file\napparent state: unit 3 named out.txt\n"},
      {"a working folder that takes no scratch file", "out.txt",
       [](const Sandbox& b) {
         write_file(b.path("Header.txt"), kHeaderText);
         chmod(b.dir().c_str(), 0555);
       },
       true, "open: Permission denied\napparent state: unit 3 named colbrand.XXXXXX\n"},
      {"an output folder that refuses the move", "sub/out.txt",
       [](const Sandbox& b) {
         write_file(b.path("Header.txt"), kHeaderText);
         chmod(b.path("sub").c_str(), 0555);
       },
       true, "mv: Permission denied\napparent state: unit 3 named sub/out.txt\n"},
  };
  const bool can_be_owner = testkit::can_drop_file_override();
  for (const NeedCase& c : cases) {
    SCOPED_TRACE(c.title);
    if (c.as_owner && !can_be_owner) continue;
    Sandbox box;
    mkdir(box.path("sub").c_str(), 0755);
    write_file(box.path("colbrand.inp"), control_text(kColbrand, "in.txt", c.output));
    write_file(box.path("in.txt"), kSmallExport);
    write_file(box.path(c.output), "an older file\n");
    c.arrange(box);
    const std::vector<std::string> before = list_dir(box.dir());
    RunOptions o;
    o.program = kColbrand.binary;
    o.dir = box.dir();
    o.streams_dir = box.root();
    o.tool_dir = kToolDir;
    o.timeout_seconds = kHangSeconds;
    o.without_file_override = c.as_owner;
    RunResult r = run_program(o);
    chmod(box.dir().c_str(), 0755);
    chmod(box.path("sub").c_str(), 0755);

    EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
    std::string err = r.err;
    size_t pattern = err.find("colbrand.");
    if (pattern != std::string::npos && pattern + 15 <= err.size())
      err.replace(pattern + 9, 6, "XXXXXX");
    EXPECT_TRUE(starts_with(err, c.report)) << r.err;
    EXPECT_EQ(read_file(box.path(c.output)), "an older file\n");
    EXPECT_EQ(list_dir(box.dir()), before);
  }
}

// An output that is removed while it is written, or whose folder is, ends the run with a report
// naming it; the export is a FIFO fed in two halves, the removal between them.
TEST(ColbrandFinishing, OutputRemovedWhileWrittenIsAFailure) {
  std::signal(SIGPIPE, SIG_IGN);  // a run that ends early must not end the test
  const std::string all = points_export(10000);
  const size_t half = all.find('\n', all.size() / 2) + 1;
  for (const char* name : {"out.txt", "sub/out.txt"}) {
    SCOPED_TRACE(name);
    Sandbox box;
    mkdir(box.path("sub").c_str(), 0755);
    write_file(box.path("colbrand.inp"), control_text(kColbrand, "in.fifo", name));
    write_file(box.path("Header.txt"), kHeaderText);
    const std::string fifo = box.path("in.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string out = box.path(name);
    const bool folder = std::string_view(name) != "out.txt";
    RunOptions o;
    o.program = kColbrand.binary;
    o.dir = box.dir();
    o.streams_dir = box.root();
    o.tool_dir = kToolDir;
    o.timeout_seconds = kHangSeconds;
    int feed = -1;
    size_t sent = 0;
    auto send_up_to = [&](size_t end) {
      while (sent < end) {
        ssize_t n = write(feed, all.data() + sent, end - sent);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
      }
    };
    o.ready = [&](pid_t) {
      if (feed < 0) {
        feed = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (feed < 0) return false;
        fcntl(feed, F_SETFL, 0);
      }
      send_up_to(half);
      if (file_size(out) <= 0) return false;
      testkit::remove_tree(folder ? box.path("sub") : out);
      send_up_to(all.size());
      close(feed);
      return true;
    };
    RunResult r = run_program(o);

    ASSERT_TRUE(r.signal_sent) << r.out << r.err;
    EXPECT_TRUE(r.aborted()) << "exit " << r.exit_status << " signal " << r.term_signal;
    EXPECT_NE(r.out.find(" Found  10000 points\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err,
              "close: No such file or directory\napparent state: unit 3 named " +
                  std::string(name) +
                  "\nlast format: list io\nlately writing sequential formatted external IO\n");
    std::vector<std::string> left = {"Header.txt", "colbrand.inp", "in.fifo"};
    if (!folder) left.push_back("sub");
    EXPECT_EQ(list_dir(box.dir()), left);
  }
}

INSTANTIATE_TEST_SUITE_P(e2e, FaultTest, ::testing::Values(kVantor, kPressik, kColbrand),
                         program_name);
INSTANTIATE_TEST_SUITE_P(e2e, SignalTest, ::testing::Values(kVantor, kPressik, kColbrand),
                         program_name);
INSTANTIATE_TEST_SUITE_P(e2e, TwoPassSignalTest, ::testing::Values(kVantor, kPressik),
                         program_name);

// ---- Random bytes ------------------------------------------------------------------------------

// Draws from a fixed-seed generator without the standard distributions, whose results differ
// between standard libraries.
class Draw {
 public:
  explicit Draw(uint32_t seed) : gen_(seed) {}
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(gen_() % n); }
  bool one_in(uint32_t n) { return below(n) == 0; }
  template <size_t N>
  std::string_view pick(const std::string_view (&choices)[N]) {
    return choices[below(static_cast<uint32_t>(N))];
  }

 private:
  std::mt19937 gen_;
};

constexpr std::string_view kNumberTokens[] = {
    "1",
    "-2.5",
    "+3.0E-2",
    "1.0D+3",
    "4d2",
    ".5",
    "5.",
    "-0",
    "0.0",
    "1e99999999",
    "1e999999999",
    "1e",
    "e5",
    "+",
    "-",
    ".",
    "1.2.3",
    "3*1.5",
    "2*",
    "0*1",
    "-1*2",
    "41*7",
    "1234567890123456789012345678901234567890123456789",
    "1e-400",
    "1e400",
    "inf",
    "nan",
    "NaN(1)",
    "'x'",
    "\"y z\"",
    "x",
    "1x",
    "0x1p3",
    "/",
    ",",
    "",
    "1\r",
    "2147483648",
    "-2147483649",
    "50",
    "0.1",
    "-0.2",
    "'unended",
    "\"",
    "number",
    "numbers",
    "Number",
    "*",
    "1.0E+",
    "9.99999999999999999999e307",
    "4.9e-324",
    "-1.0d-310",
};

constexpr std::string_view kGoodNumbers[] = {
    "1",         "-2.5", "+3.0E-2", "1.0D+3", "4d2",   ".5",       "5.",
    "-0",        "0.0",  "1e-400",  "1e400",  "-1e+5", "4.9e-324", "1.7976931348623157e308",
    "123456789",
};

constexpr std::string_view kSeparators[] = {" ", "\t", ",", ", ", " , ", "  ", ",,", " \t "};
constexpr std::string_view kLineEnds[] = {"\r\n", "\n", "\r\n", "\n", "", "\r", "/\n", " \r\n"};
constexpr std::string_view kHeadings[] = {
    "number",   "number",       "number",  "numbers", "number_of_points", "Number", "numbe",
    "'number'", "\"number x\"", "number,", "",        "number\tE/V",
};
constexpr std::string_view kHeaderLines[] = {
    "DigiElch export", "Scan rate 0.1", "Estart -0.2", "E/V, t/s", "",
    "'quoted header'", "Area\t0.0707",  "numer",       "NUMBER",   "*",
};
constexpr std::string_view kSoup = "0123456789.+-eEdD,/ \t\r\n'\"*numberNx";

std::string random_bytes(Draw& d, uint32_t max_length, bool slash) {
  std::string bytes(d.below(max_length + 1), '\0');
  for (char& c : bytes) {
    c = static_cast<char>(d.below(256));
    if (!slash && c == '/') c = '_';
  }
  return bytes;
}

std::string random_soup(Draw& d, uint32_t max_length, bool slash) {
  std::string bytes;
  uint32_t length = d.below(max_length + 1);
  while (bytes.size() < length) {
    if (d.one_in(20)) {
      bytes += "number";
    } else {
      char c = kSoup[d.below(static_cast<uint32_t>(kSoup.size()))];
      bytes += (!slash && c == '/') ? ' ' : c;
    }
  }
  return bytes;
}

std::string random_tokens(Draw& d, uint32_t count) {
  std::string line;
  for (uint32_t i = 0; i < count; ++i) {
    if (i > 0) line += d.pick(kSeparators);
    line += d.pick(kNumberTokens);
  }
  return line;
}

// An export of the kind the programs read, with random slips in every part.
std::string random_export(Draw& d) {
  switch (d.below(4)) {
    case 0:
      return random_bytes(d, 400, true);
    case 1:
      return random_soup(d, 300, true);
    default:
      break;
  }
  std::string text;
  for (uint32_t i = d.below(4); i > 0; --i) {
    text += d.one_in(4) ? random_tokens(d, d.below(4)) : std::string(d.pick(kHeaderLines));
    text += d.one_in(4) ? d.pick(kLineEnds) : std::string_view("\r\n");
  }
  text += d.one_in(3) ? d.pick(kHeadings) : std::string_view("number\tE/V\tt/s\tI/A");
  text += d.one_in(4) ? d.pick(kLineEnds) : std::string_view("\r\n");
  for (uint32_t i = d.below(8); i > 0; --i) {
    if (d.one_in(4)) {
      text += random_tokens(d, d.below(5));
    } else {
      for (int k = 0; k < 3; ++k) {
        text += k == 0 ? std::string_view() : d.pick(kSeparators);
        text += d.pick(kGoodNumbers);
      }
    }
    text += d.one_in(5) ? d.pick(kLineEnds) : std::string_view("\r\n");
  }
  if (d.one_in(5)) text += random_bytes(d, 20, true);
  return text;
}

constexpr std::string_view kNameItems[] = {
    "in.txt",
    "out.txt",
    "out.txt",
    "o",
    "",
    "a,b",
    "'o u.txt_'",
    "\"q\"",
    "'unended",
    "x*y",
    "3*a",
    "in.txt in.txt",
    "...",
    ".",
    "..",
    "-n",
    "Header.txt",
    "\t out.txt",
    " out.txt",
    std::string_view("o\0x", 3),
    "out.txt\t",
    "out.txt,c",
    "abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabc",
};

// A control file that differs from a working one in a few random places. No slash is put in:
// a name with a slash could reach outside the test's directory.
std::string random_control(Draw& d, const ProgramCase& p) {
  std::vector<std::string> lines = {"in.txt", "out.txt"};
  if (p.zep) {
    for (const char* value : {"0.1", "-0.2", "0.6", "-0.2", "10.0", "50"}) lines.push_back(value);
  } else {
    lines.push_back("0.001");
  }
  switch (d.below(5)) {
    case 0:
      return random_bytes(d, 200, false);
    case 1:
      return random_soup(d, 120, false);
    case 2: {
      for (uint32_t i = 1 + d.below(3); i > 0; --i) {
        size_t at = d.below(static_cast<uint32_t>(lines.size()));
        if (at < 2) {
          lines[at] = std::string(d.pick(kNameItems));
        } else {
          std::string token(d.pick(kNumberTokens));
          if (token.find('/') == std::string::npos) lines[at] = token;
        }
      }
      break;
    }
    default:
      break;
  }
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += d.one_in(6) ? d.pick(kLineEnds) : std::string_view("\r\n");
  }
  // Byte slips: replace, insert or drop.
  for (uint32_t i = d.below(4); i > 0 && !text.empty(); --i) {
    size_t at = d.below(static_cast<uint32_t>(text.size()));
    char c = static_cast<char>(d.below(256));
    if (c == '/') c = '\\';
    switch (d.below(3)) {
      case 0:
        text[at] = c;
        break;
      case 1:
        text.insert(at, 1, c);
        break;
      default:
        text.erase(at, 1);
        break;
    }
  }
  std::string::size_type slash;
  while ((slash = text.find('/')) != std::string::npos) text[slash] = '_';
  return text;
}

constexpr int kRandomCases = 50;  // per program and kind: 300 runs in all

// How the runs of one test ended: "exit 0" or the first line of the report, with counts.
class Tally {
 public:
  void add(const RunResult& r) {
    std::string key =
        r.exited ? "exit " + std::to_string(r.exit_status) : r.err.substr(0, r.err.find('\n'));
    for (auto& [name, count] : counts_) {
      if (name == key) {
        ++count;
        return;
      }
    }
    counts_.emplace_back(key, 1);
  }
  std::string summary() const {
    std::string text;
    for (const auto& [name, count] : counts_) {
      text += (text.empty() ? "" : "; ") + name + " x" + std::to_string(count);
    }
    return text;
  }

 private:
  std::vector<std::pair<std::string, int>> counts_;
};

// The names and bytes of the files in a folder.
std::vector<std::string> folder(const std::string& dir) {
  std::vector<std::string> files;
  for (const std::string& name : list_dir(dir)) {
    // A FIFO is not read: its writer's bytes are the conversion's.
    struct stat st;
    const std::string path = dir + "/" + name;
    const bool regular = stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    files.push_back(name + '\n' + (regular ? read_file(path) : std::string("(not a file)")));
  }
  return files;
}

// A name as the check's summary shows it.
std::string shown_name(std::string_view name) {
  std::string s = "'";
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c < 127 && c != '\\') {
      s += ch;
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      s += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
  }
  return s + "'";
}

// The files a conversion leaves that were not there before: names, as the check shows them.
std::vector<std::string> new_files(const std::vector<std::string>& before,
                                   const std::vector<std::string>& after) {
  std::vector<std::string> made;
  for (const std::string& name : after) {
    if (std::find(before.begin(), before.end(), name) == before.end()) {
      made.push_back(shown_name(name));
    }
  }
  return made;
}

// What the check's summary foretells: the files made (the output created, an empty export left
// behind) and the points counted.
std::vector<std::string> foretold_files(const std::string& out) {
  std::vector<std::string> made;
  const std::string created = "\n  output file    ";
  size_t at = out.find(created);
  if (at != std::string::npos) {
    size_t name_end = out.find("' is created", at);
    if (name_end != std::string::npos && out.find('\n', at + 1) > name_end) {
      made.push_back(out.substr(at + created.size(), name_end + 1 - at - created.size()));
    }
  }
  const std::string left = "; an empty ";
  at = out.find(left);
  if (at != std::string::npos) {
    size_t end = out.find("' is left behind", at);
    if (end != std::string::npos)
      made.push_back(out.substr(at + left.size(), end + 1 - at - left.size()));
  }
  std::sort(made.begin(), made.end());
  return made;
}

std::string foretold_points(const std::string& out) {
  const std::string label = "\n  points         ";
  size_t at = out.find(label);
  if (at == std::string::npos) return "";
  at += label.size();
  return out.substr(at, out.find(' ', at) - at);
}

std::string found_points(const std::string& console) {
  for (const char* label : {" Found ", " Found  "}) {
    size_t at = console.find(label);
    if (at == std::string::npos) continue;
    at = console.find_first_not_of(' ', at + 6);
    return console.substr(at, console.find(' ', at) - at);
  }
  return "";
}

class RandomBytesTest : public FaultTest {
 protected:
  // prepare may change the folder before the runs (a FIFO, a folder where a file should be);
  // writer, when set, feeds the export FIFO for the conversion's run.
  void run_case(const std::string& control, const std::string& exported, bool odd_names,
                Tally& tally, int index, const std::function<void(Sandbox&)>& prepare = {},
                const std::string* fifo_bytes = nullptr) {
    const ProgramCase& p = program();
    Sandbox box;
    write_file(box.path(p.control), control);
    write_file(box.path("in.txt"), exported);
    if (!p.zep) write_file(box.path("Header.txt"), kHeaderText);
    if (prepare) prepare(box);
    RunOptions o = options();
    o.dir = box.dir();
    o.streams_dir = box.root();
    // The look before the conversion touches no file and foretells the conversion's own end.
    std::vector<std::string> before = folder(box.dir());
    o.args = {"--check"};
    RunResult check = run_program(o);
    o.args.clear();
    EXPECT_TRUE(check.exited && check.exit_status <= 2 && check.err.empty())
        << "case " << index << ": --check ended " << how_it_ended(check) << " " << check.err;
    EXPECT_EQ(folder(box.dir()), before) << "case " << index << ": --check changed the folder";
    const std::vector<std::string> names_before = list_dir(box.dir());
    pid_t writer = fifo_bytes != nullptr ? feed_fifo(box.path("in.txt"), *fifo_bytes) : 0;
    RunResult r = run_program(o);
    if (writer > 0) end_process(writer);
    bool foretold = check.out.find("result         the conversion fails") != std::string::npos;
    EXPECT_EQ(foretold, r.aborted()) << "case " << index << "\n--- check:\n" << check.out;
    if (r.aborted()) {
      EXPECT_EQ(check.exit_status, 2) << "case " << index;
    }
    std::vector<std::string> made = new_files(names_before, list_dir(box.dir()));
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, foretold_files(check.out)) << "case " << index << "\n--- check:\n" << check.out;
    if (r.exited && r.exit_status == 0 && fifo_bytes == nullptr) {
      EXPECT_EQ(foretold_points(check.out), found_points(r.out))
          << "case " << index << "\n--- check:\n"
          << check.out << "--- run:\n"
          << r.out;
    }
    if (r.aborted()) {
      EXPECT_NE(check.out.find('"' + r.err.substr(0, r.err.find('\n')) + '"'), std::string::npos)
          << "case " << index << "\n--- check:\n"
          << check.out << "--- report:\n"
          << r.err;
    }
    std::string wrong = judge_end(r, odd_names);
    EXPECT_EQ(wrong, "") << "case " << index
                         << "\n--- control file: " << ::testing::PrintToString(control)
                         << "\n--- export: " << ::testing::PrintToString(exported);
    tally.add(r);
  }
};

TEST_P(RandomBytesTest, RandomExportsEndInAKnownWay) {
  const ProgramCase& p = program();
  Draw d(20240601u + static_cast<uint32_t>(p.name[0]));
  Tally tally;
  for (int i = 0; i < kRandomCases; ++i) {
    run_case(control_text(p, "in.txt", "out.txt"), random_export(d), false, tally, i);
  }
  RecordProperty("outcomes", tally.summary());
}

TEST_P(RandomBytesTest, RandomControlFilesEndInAKnownWay) {
  const ProgramCase& p = program();
  Draw d(20240602u + static_cast<uint32_t>(p.name[0]));
  Tally tally;
  for (int i = 0; i < kRandomCases; ++i) {
    run_case(random_control(d, p), std::string(kSmallExport), true, tally, i);
  }
  RecordProperty("outcomes", tally.summary());
}

// ---- Structured hazards: the mistakes users make, drawn and combined ---------------------------

constexpr std::string_view kHazardHeaders[] = {
    "DigiElch simulation export",
    "Scan rate: 0.1 V/s",
    "Points: 7",
    "number of points: 5",
    "couples: 2401",
    ",E,t,I",
    "/comment",
    "Number of data points: 5",
};
constexpr std::string_view kHazardHeadings[] = {
    "number\tE/V\tt/s\tI/A", "number\tE/V\tt/s\tI/A", "number;E/V;t/s;I/A",
    "number E/V I/A",        "number\tE/V\tI/A\tt/s", "Potential (V)  Time (s)  Current (A)",
    "Number E t I",
};
constexpr std::string_view kHazardSeparators[] = {"\t", "\t", " ", ", ", ";"};

// An export shaped like a real one, with a few of the mistakes users make.
std::string hazard_export(Draw& d) {
  const std::string_view end = d.one_in(3) ? "\n" : "\r\n";
  std::string text = d.one_in(8) ? "\xEF\xBB\xBF" : "";
  for (uint32_t i = d.below(4); i > 0; --i) text += std::string(d.pick(kHazardHeaders)) += end;
  text += std::string(d.pick(kHazardHeadings)) += end;
  const std::string_view sep = d.pick(kHazardSeparators);
  const bool comma = d.one_in(6);
  const int values = d.one_in(5) ? 2 : 3;
  const uint32_t points = d.below(8);
  for (uint32_t i = 0; i < points; ++i) {
    std::string line;
    if (i == 0 && d.one_in(8)) line = "2*-0.2" + std::string(sep);
    const double e = -0.2 + 0.1 * i, t = 1.0 * i, current = -1.0e-6 * (i + 1);
    const double v[3] = {e, t, current};
    for (int k = 0; k < values; ++k) {
      if (k > 0) line += sep;
      char number[32];
      std::snprintf(number, sizeof number, "%.7E", v[k]);
      line += number;
    }
    if (comma) std::replace(line.begin(), line.end(), '.', ',');
    if (d.one_in(12)) line = line.substr(0, line.rfind(sep));  // a value missing
    text += line += end;
  }
  if (d.one_in(6)) text += "End of data" + std::string(end);
  if (d.one_in(6)) text += end;  // an empty last line
  return text;
}

// A good export, for the writer of a FIFO: the check cannot see what a FIFO will hold.
const std::string kFifoExport(kSmallExport);

// The folder around it: a control file with LF ends, the scan rate in mV/s, an output named like
// the export or in a folder that does not exist, the export missing, a folder or a FIFO.
TEST_P(RandomBytesTest, StructuredHazardsAreForetold) {
  const ProgramCase& p = program();
  Draw d(20240603u + static_cast<uint32_t>(p.name[0]));
  Tally tally;
  for (int i = 0; i < kRandomCases; ++i) {
    std::string exported = hazard_export(d);
    std::string out = "out.txt";
    switch (d.below(10)) {
      case 0:
        out = "in.txt";
        break;
      case 1:
        out = "nodir/out.txt";
        break;
      default:
        break;
    }
    std::string control = control_text(p, d.one_in(8) ? "missing.txt" : "in.txt", out);
    if (p.zep && d.one_in(6)) control.replace(control.find("0.1\r\n"), 3, "100");
    if (d.one_in(6)) {
      for (size_t at; (at = control.find("\r\n")) != std::string::npos;) control.erase(at, 1);
    }
    std::function<void(Sandbox&)> prepare;
    const std::string* fifo = nullptr;
    switch (d.below(12)) {
      case 0:
        prepare = [](Sandbox& box) {
          std::remove(box.path("in.txt").c_str());
          mkdir(box.path("in.txt").c_str(), 0755);
        };
        break;
      case 1:
        prepare = [](Sandbox& box) {
          std::remove(box.path("in.txt").c_str());
          mkfifo(box.path("in.txt").c_str(), 0644);
        };
        fifo = &kFifoExport;
        break;
      default:
        break;
    }
    run_case(control, exported, false, tally, i, prepare, fifo);
  }
  RecordProperty("outcomes", tally.summary());
}

INSTANTIATE_TEST_SUITE_P(e2e, RandomBytesTest, ::testing::Values(kVantor, kPressik, kColbrand),
                         program_name);

}  // namespace
}  // namespace convkit
