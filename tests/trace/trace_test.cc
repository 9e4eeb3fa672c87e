// The trace library: the shared test vectors, the read-write identity over the golden cases'
// ZEP files, and the sampling facts and the check on a file the programs wrote.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/trace/header_check.h"
#include "common/trace/parse_error.h"
#include "common/trace/sampling.h"
#include "common/trace/trace.h"
#include "tests/support/files.h"
#include "tests/support/scratch.h"

namespace convkit {
namespace {

namespace fs = std::filesystem;

// ---- The vectors' table (its form is described at its top) ---------------------------------

struct Vector {
  std::string name;
  std::string input;  // escapes and blocks expanded
  std::string expect;
};

std::string unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    if (c == 't') out += '\t';
    if (c == 'r') out += '\r';
    if (c == 'n') out += '\n';
    if (c == '\\') out += '\\';
    if (c == 'x') {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    }
    if (c == '_') {
      out.append(std::stoul(s.substr(i + 1, 4)), ' ');
      i += 4;
    }
  }
  return out;
}

std::string expand(const std::string& raw,
                   const std::map<std::string, std::vector<std::string>>& blocks) {
  std::string out;
  size_t i = 0;
  while (i < raw.size()) {
    const size_t open = raw.find('{', i);
    if (open == std::string::npos) break;
    const size_t close = raw.find('}', open);
    out += raw.substr(i, open - i);
    std::string spec = raw.substr(open + 1, close - open - 1);
    std::vector<std::string> parts;
    std::stringstream split(spec);
    for (std::string part; std::getline(split, part, ';');) parts.push_back(part);
    if (!spec.empty() && spec.back() == ';') parts.push_back("");
    std::string name = parts[0];
    std::string end = "\\n";
    if (name.size() > 4 && name.substr(name.size() - 4) == "crlf") {
      name.resize(name.size() - 4);
      end = "\\r\\n";
    }
    std::vector<std::string> records = blocks.at(name);
    std::vector<bool> dropped(records.size(), false);
    for (size_t p = 1; p < parts.size(); ++p) {
      const size_t eq = parts[p].find('=');
      const size_t k = std::stoul(parts[p].substr(0, eq)) - 1;
      if (eq == std::string::npos) {
        dropped[k] = true;
      } else {
        records[k] = parts[p].substr(eq + 1);
      }
    }
    for (size_t k = 0; k < records.size(); ++k) {
      if (!dropped[k]) out += records[k] + end;
    }
    i = close + 1;
  }
  return unescape(out + raw.substr(i));
}

std::vector<Vector> load_vectors() {
  std::ifstream in(CONVKIT_READ_VECTORS);
  std::map<std::string, std::vector<std::string>> blocks;
  std::vector<Vector> vectors;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '@') {
      const size_t blank = line.find(' ');
      blocks[line.substr(1, blank - 1)].push_back(line.substr(blank + 1));
      continue;
    }
    const size_t a = line.find(" | ");
    const size_t b = line.find(" | ", a + 3);
    vectors.push_back(
        {line.substr(0, a), expand(line.substr(a + 3, b - a - 3), blocks), line.substr(b + 3)});
  }
  return vectors;
}

// The fact key of trace, as the table writes it.
std::string fact(const Trace& t, const std::string& key) {
  const auto num = [](double v) {
    std::ostringstream s;
    s << v;
    return s.str();
  };
  const TraceHeader& h = t.header;
  if (key == "n") return std::to_string(t.time_s.size());
  if (key == "layout") return std::string(layout_name(h.layout));
  if (key == "line_end") return h.line_end == LineEnd::lf ? "lf" : "crlf";
  if (key == "start_mv") return num(h.start_mv);
  if (key == "max_mv") return num(h.max_mv);
  if (key == "rate_mv_s") return num(h.rate_mv_s);
  if (key == "freq1") return num(h.freq_hz[0]);
  if (key == "amp1") return num(h.amp_mv[0]);
  if (key == "n_ac") return std::to_string(h.n_ac);
  if (key == "non_finite") return std::to_string(t.non_finite_points);
  if (key == "non_finite_line") return std::to_string(t.first_non_finite_line);
  if (key == "data_line") return std::to_string(t.first_data_line);
  ADD_FAILURE() << "unknown fact " << key;
  return "";
}

// Reads bytes as a trace from a pipe, as from a process substitution; the writer sends them
// only after a pause, so the reader has to wait for them.
Trace read_through_pipe(const std::string& bytes) {
  int ends[2];
  if (::pipe(ends) != 0) throw std::runtime_error("pipe failed");
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::write(ends[1], bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(ends[1]);
  });
  std::exception_ptr error;
  Trace t;
  try {
    t = read("/dev/fd/" + std::to_string(ends[0]));
  } catch (...) {
    error = std::current_exception();
  }
  writer.join();
  ::close(ends[0]);
  if (error) std::rethrow_exception(error);
  return t;
}

TEST(TraceRead, Vectors) {
  const std::vector<Vector> vectors = load_vectors();
  ASSERT_GT(vectors.size(), 30u);
  testkit::ScratchDir dir("trace-vectors");
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.name);
    const std::string path = dir.path(v.name);
    testkit::write_file(path, v.input);
    std::istringstream expect(v.expect);
    std::string verdict;
    expect >> verdict;
    if (verdict == "refuse") {
      std::string place;
      expect >> place;
      try {
        read(path);
        ADD_FAILURE() << "read, expected a refusal at " << place;
      } catch (const ParseError& e) {
        EXPECT_EQ(std::to_string(e.line()) + ":" + std::to_string(e.column()), place) << e.what();
        EXPECT_EQ(e.file(), path);
      }
      continue;
    }
    const std::vector<std::string> facts{std::istream_iterator<std::string>(expect), {}};
    for (const bool piped : {false, true}) {
      SCOPED_TRACE(piped ? "from a pipe" : "from a file");
      Trace t;
      try {
        t = piped ? read_through_pipe(v.input) : read(path);
      } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        continue;
      }
      for (const std::string& item : facts) {
        const size_t eq = item.find('=');
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        if (key != "p0") {
          EXPECT_EQ(fact(t, key), value) << key;
          continue;
        }
        ASSERT_FALSE(t.time_s.empty());
        std::istringstream values(value);
        const double got[3] = {t.potential_v[0], t.current_a[0], t.time_s[0]};
        for (double g : got) {
          std::string text;
          std::getline(values, text, ',');
          EXPECT_EQ(g, std::strtod(text.c_str(), nullptr)) << key << " " << text;
        }
      }
    }
  }
}

// ---- The read-write identity -----------------------------------------------------------------

TEST(TraceWrite, ReadingAndWritingTheProgramsZepFilesGivesTheSameBytes) {
  testkit::ScratchDir dir("trace-identity");
  int files = 0;
  for (const char* program : {"vantor", "pressik"}) {
    for (const auto& c : fs::directory_iterator(fs::path(CONVKIT_E2E_CASES) / program)) {
      if (!fs::is_directory(c.path() / "out")) continue;
      for (const auto& f : fs::directory_iterator(c.path() / "out")) {
        const std::string bytes = testkit::read_file(f.path().string());
        if (bytes.rfind("cvsin_type_2", 0) != 0) continue;
        SCOPED_TRACE(f.path().string());
        const Trace t = read(f.path().string());
        const std::string copy = dir.path("copy.zep");
        write(copy, t.header, t.potential_v, t.current_a, t.time_s);
        EXPECT_EQ(testkit::read_file(copy), bytes);
        ++files;
      }
    }
  }
  EXPECT_GT(files, 10);
}

// ---- Sampling and check ---------------------------------------------------------------------

// A sweep from -200 mV up to 600 mV and back at 100 mV/s with a 10 mV sine of 3.125 Hz (50
// periods), 4096 points, and the header that says so.
Trace synthetic_trace() {
  Trace t;
  t.header.start_mv = t.header.end_mv = t.header.min_mv = -200.0;
  t.header.max_mv = 600.0;
  t.header.rate_mv_s = 100.0;
  t.header.freq_hz[0] = 3.125;
  t.header.amp_mv[0] = 10.0;
  t.header.records = {{"cvsin_type_2", "", 1, 0},
                      {"Amp1(mV):", "0.100000E+02", 7, 17},
                      {"Rate(mV/s):", "0.100000E+03", 31, 17}};
  t.first_data_line = 42;
  const int n = 4096;
  for (int i = 0; i < n; ++i) {
    const double time = 16.0 * i / (n - 1);
    const double ramp = time <= 8.0 ? -200.0 + 100.0 * time : 600.0 - 100.0 * (time - 8.0);
    t.time_s.push_back(time);
    t.potential_v.push_back((ramp + 10.0 * std::sin(2 * std::numbers::pi * 3.125 * time)) / 1000.0);
    t.current_a.push_back(0.0);
  }
  return t;
}

TEST(TraceSampling, UniformPowerOfTwoWithWholePeriods) {
  const Sampling s = sampling(synthetic_trace());
  EXPECT_EQ(s.n, 4096);
  EXPECT_EQ(s.dt, 16.0 / 4095);
  EXPECT_TRUE(s.uniform);
  EXPECT_TRUE(s.power_of_two);
  EXPECT_EQ(s.whole_periods, 50);
  EXPECT_DOUBLE_EQ(s.points_per_period, 4095 / 50.0);
}

TEST(TraceCheck, AgreeingHeaderHasNoFindingsAndWrongOnesAreFoundAtTheirRecords) {
  Trace t = synthetic_trace();
  EXPECT_TRUE(check(t).empty());
  t.header.rate_mv_s = 50.0;
  t.header.amp_mv[0] = 20.0;
  const std::vector<Finding> findings = check(t);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(finding_line("f", findings[0]),
            "f:7:17: warning: the header's AC amplitude is 20 mV, the potential's sine has "
            "9.996 mV (fitted; tolerance 5% or 0.05 mV)");
  EXPECT_EQ(finding_line("f", findings[1]),
            "f:31:17: warning: the header's scan rate is 50 mV/s, the potential sweeps at "
            "100 mV/s (fitted; tolerance 1%)");
}

}  // namespace
}  // namespace convkit
