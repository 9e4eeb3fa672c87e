// convkit-info FILE...: what a trace file holds, for a user in the shell: its layout, the header
// in words, the sampling facts and the check's findings. Exit status as the programs' --check:
// 0 without findings that matter, 1 with warnings, 2 with an error (a file refused or not read).
#include <getopt.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "common/trace/header_check.h"
#include "common/trace/parse_error.h"
#include "common/trace/sampling.h"
#include "common/trace/trace.h"

namespace convkit {
namespace {

constexpr const char* kHelp =
    "Usage: convkit-info [OPTION]... FILE...\n"
    "Show what each trace file (ZEP, cvsin_type_1 or cvsin_type_2) holds: its layout, the\n"
    "header in words, the sampling of its time column and what a check of the header against\n"
    "the data finds.\n"
    "\n"
    "      --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Exit status: 0 without warnings or errors, 1 with warnings, 2 with an error (a file\n"
    "refused or not read) or a wrong command line.\n";

std::string g(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

void out(const std::string& text) { std::fputs(text.c_str(), stdout); }

std::string ac_words(const TraceHeader& h) {
  std::string text;
  int shown = 0;
  for (size_t k = 0; k < h.amp_mv.size(); ++k) {
    if (h.amp_mv[k] == 0.0) continue;
    text += shown++ > 0 ? "; " : "";
    text +=
        "slot " + std::to_string(k + 1) + ": " + g(h.freq_hz[k]) + " Hz, " + g(h.amp_mv[k]) + " mV";
    if (h.layout == Layout::cvsin_type_2) text += ", phase " + g(h.phase_deg[k]) + " deg";
  }
  if (shown == 0) return "none (no slot with an amplitude)";
  return std::to_string(shown) + (shown == 1 ? " signal, " : " signals, ") + text;
}

// Shows one file; returns its status (0, 1 or 2).
int show(const std::string& path) {
  Trace t;
  try {
    t = read(path);
  } catch (const ParseError& e) {
    out(std::string(e.what()) + "\n");
    return 2;
  } catch (const std::system_error& e) {
    out(path + ": error: " + e.code().message() + "\n");
    return 2;
  }
  const TraceHeader& h = t.header;
  out(path + ": " + std::string(layout_name(h.layout)) + ", " + std::to_string(h.records.size()) +
      " header records, " + (h.line_end == LineEnd::cr_lf ? "CR LF" : "LF") + " line ends, " +
      std::to_string(t.time_s.size()) + " points" +
      (t.first_data_line > 0 ? " from line " + std::to_string(t.first_data_line) : "") + "\n");
  out("  sweep:      starts at " + g(h.start_mv) + " mV, turns at " + g(h.max_mv) +
      " mV, ends at " + g(h.end_mv) + " mV, " + g(h.rate_mv_s) + " mV/s (Min " + g(h.min_mv) +
      " mV)\n");
  out("  AC:         " + ac_words(h) + "\n");
  std::string settings;
  for (size_t k = 1; k < h.records.size(); ++k) {
    std::string key = h.records[k].label;
    key.pop_back();  // the colon
    if (h.other.count(key) == 0) continue;
    settings += (settings.empty() ? "" : ", ") + key + " " + h.records[k].value_text;
  }
  if (!settings.empty()) out("  settings:   " + settings + "\n");

  const Sampling s = sampling(t);
  if (s.n >= 2) {
    out("  sampling:   dt " + g(s.dt) + " s = " + g(s.duration_s) + " s / " +
        std::to_string(s.n - 1) + " steps; steps from " + g(s.min_step_s) + " to " +
        g(s.max_step_s) + " s, " + (s.uniform ? "uniform" : "NOT uniform") +
        " (largest deviation " + g(s.max_deviation_s) + " s, six digits give " + g(s.tolerance_s) +
        " s); " + std::to_string(s.n) + " points, " +
        (s.power_of_two ? "a power of two" : "not a power of two") + "\n");
    if (std::isfinite(s.periods)) {
      out("  periods:    " + g(s.periods) + " of the first AC signal (" +
          std::to_string(s.whole_periods) + " whole), " + g(s.points_per_period) +
          " points a period\n");
    }
  } else {
    out("  sampling:   " + std::to_string(s.n) + " points, no steps\n");
  }
  const SweepFit fit = fit_sweep(t);
  if (fit.fitted) {
    out("  fit:        sweeps at " + g(fit.rate_mv_s) + " mV/s from " + g(fit.start_mv) +
        " mV to " + g(fit.vertex_mv) + " mV to " + g(fit.end_mv) + " mV; " +
        (fit.sine ? "sine " + g(fit.freq_hz) + " Hz, " + g(fit.amp_mv) + " mV" : "no sine") + "\n");
  }
  int status = 0;
  const std::vector<Finding> findings = check(t);
  if (findings.empty()) out("  findings:   none\n");
  for (const Finding& f : findings) {
    out(finding_line(path, f) + "\n");
    if (f.level == FindingLevel::warning && status < 1) status = 1;
    if (f.level == FindingLevel::error) status = 2;
  }
  return status;
}

int usage_error(const std::string& what) {
  std::fprintf(stderr, "convkit-info: %s\nTry 'convkit-info --help'.\n", what.c_str());
  return 2;
}

}  // namespace
}  // namespace convkit

int main(int argc, char** argv) {
  using namespace convkit;
  static const option kOptions[] = {
      {"help", no_argument, nullptr, 'h'}, {"version", no_argument, nullptr, 'V'}, {}};
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv, "", kOptions, nullptr);
    if (c == -1) break;
    if (c == 'h') {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (c == 'V') {
      std::puts("convkit-info (convkit) " CONVKIT_VERSION);
      return 0;
    }
    return usage_error(std::string("unrecognized option '") + argv[optind - 1] + "'");
  }
  if (optind == argc) return usage_error("no file named");
  int status = 0;
  for (int i = optind; i < argc; ++i) {
    if (i > optind) out("\n");
    const int s = show(argv[i]);
    status = s > status ? s : status;
  }
  return status;
}
