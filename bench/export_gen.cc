// export_gen: writes a simulator export of a given kind and size to standard output, the same
// bytes for the same arguments, for the benchmark to convert.
//
// The data follow one sweep of the benchmark's control values - -0.2 V up to 0.6 V and back
// at 0.1 V/s - with a 10 mV sine of 50 periods on top, and a current with a reduction peak, a
// charging step at the vertex and the sine's response. So the numbers have the mantissas,
// exponents and sign changes of real traces rather than one repeated pattern, and a scanner
// that is fast only on a few digit shapes shows it.
//
// Usage: export_gen digielch|digielch7|digisim POINTS [--lf]
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <string_view>
#include <system_error>

namespace convkit {
namespace {

enum class ExportKind {
  digielch,   // releases before 7: three columns, heading "number"
  digielch7,  // release 7: three columns, heading "numbers:"
  digisim,    // two columns, heading "number" with blanks between the names
};

constexpr double kStart = -0.2;  // V
constexpr double kVertex = 0.6;  // V
constexpr double kEnd = -0.2;    // V
constexpr double kRate = 0.1;    // V/s
constexpr double kAmp = 0.010;   // V
constexpr double kPeriods = 50.0;
constexpr double kFormal = 0.2;      // V, where the peak sits
constexpr double kThermal = 0.0257;  // V, RT/F at 298 K
constexpr size_t kFlushAt = 1 << 20;

class Output {
 public:
  void put(std::string_view s) {
    text_.append(s);
    if (text_.size() >= kFlushAt) flush();
  }
  void flush() {
    size_t done = 0;
    while (done < text_.size()) {
      ssize_t n = write(STDOUT_FILENO, text_.data() + done, text_.size() - done);
      if (n < 0) {
        std::fputs("export_gen: write failed\n", stderr);
        std::exit(1);
      }
      done += static_cast<size_t>(n);
    }
    text_.clear();
  }

 private:
  std::string text_;
};

// The form simulators write: eight significant digits, an upper-case E and a signed exponent
// of at least two digits, "-" only for negative values (-1.9999526E-01, 3.2000000E-01).
void put_number(Output& out, double v) {
  char text[32];
  std::to_chars_result r =
      std::to_chars(text, text + sizeof text, v, std::chars_format::scientific, 7);
  for (char* c = text; c < r.ptr; ++c) {
    if (*c == 'e') *c = 'E';
  }
  out.put(std::string_view(text, static_cast<size_t>(r.ptr - text)));
}

void put_header(Output& out, ExportKind kind, long points, std::string_view eol) {
  auto line = [&](std::string_view text) {
    out.put(text);
    out.put(eol);
  };
  std::string count = std::to_string(points);
  switch (kind) {
    case ExportKind::digielch:
      line("DigiElch simulation export");
      line("Mechanism: E");
      line("Electrode: planar, A = 0.0707 cm2");
      line("Temperature: 298.2 K");
      line("Start potential: -0.2 V");
      line("Vertex potential: 0.6 V");
      line("End potential: -0.2 V");
      line("Scan rate: 0.1 V/s");
      line("AC amplitude: 10 mV");
      line("AC periods: 50");
      line("Points: " + count);
      line("number\tE/V\tt/s\tI/A");
      break;
    case ExportKind::digielch7:
      line("DigiElch 7 export");
      line("Simulation: cyclic voltammetry with AC");
      line("Mechanism: E, one electron");
      line("Electrode: planar, A = 0.0707 cm2");
      line("Temperature: 298.2 K");
      line("Start potential: -0.2 V");
      line("Vertex potential: 0.6 V");
      line("End potential: -0.2 V");
      line("Scan rate: 0.1 V/s");
      line("AC amplitude: 10 mV, 50 periods");
      line("Points: " + count);
      line("numbers:\tPotential/V\tTime/s\tCurrent/A");
      break;
    case ExportKind::digisim:
      line("DigiSim 3.05 export");
      line("CV simulation");
      line("Mechanism: E");
      line("Electrode: planar, A = 0.0707 cm2");
      line("Temperature: 298.2 K");
      line("Start potential -0.2 V");
      line("Vertex potential 0.6 V");
      line("End potential -0.2 V");
      line("Scan rate 0.1 V/s");
      line("AC 10 mV, 50 periods");
      line("Points " + count);
      line("number  E/V  I/A");
      break;
  }
}

struct Point {
  double e;  // V
  double t;  // s
  double i;  // A
};

Point point_at(long k, long points) {
  const double erange = std::abs(kStart - kVertex) + std::abs(kEnd - kVertex);
  const double s = static_cast<double>(k) / static_cast<double>(points);  // 0 to 1
  const double travelled = s * erange;
  const double first_leg = std::abs(kVertex - kStart);
  const bool forward = travelled < first_leg;
  const double dc = forward ? kStart + (kVertex > kStart ? travelled : -travelled)
                            : kVertex + (kEnd > kVertex ? 1.0 : -1.0) * (travelled - first_leg);
  const double phase = 2.0 * std::numbers::pi * kPeriods * s;
  const double e = dc + kAmp * std::sin(phase);
  // A peak-shaped faradaic current, a charging current that turns at the vertex and the AC
  // response; a small slow drift keeps neighbouring values from repeating digits.
  const double x = (e - kFormal) / kThermal;
  const double faradaic = -2.4e-6 / std::cosh(0.5 * x) * (forward ? 1.0 : -0.8);
  const double charging = (forward ? 1.0 : -1.0) * 1.5e-7;
  const double ac = 4.0e-7 * std::cos(phase + 0.3) * (1.0 + 0.5 / std::cosh(0.5 * x));
  const double drift = 3.0e-9 * std::sin(0.37 * phase);
  return {e, travelled / kRate, faradaic + charging + ac + drift};
}

[[noreturn]] void usage() {
  std::fputs("usage: export_gen digielch|digielch7|digisim POINTS [--lf]\n", stderr);
  std::exit(2);
}

}  // namespace
}  // namespace convkit

int main(int argc, char** argv) {
  using namespace convkit;
  if (argc < 3 || argc > 4) usage();
  std::string_view kind_name = argv[1];
  ExportKind kind;
  if (kind_name == "digielch") {
    kind = ExportKind::digielch;
  } else if (kind_name == "digielch7") {
    kind = ExportKind::digielch7;
  } else if (kind_name == "digisim") {
    kind = ExportKind::digisim;
  } else {
    usage();
  }
  long points = 0;
  std::string_view count = argv[2];
  auto parsed = std::from_chars(count.data(), count.data() + count.size(), points);
  if (parsed.ec != std::errc() || parsed.ptr != count.data() + count.size() || points < 0) {
    usage();
  }
  std::string_view eol = "\r\n";
  if (argc == 4) {
    if (std::string_view(argv[3]) != "--lf") usage();
    eol = "\n";
  }

  Output out;
  put_header(out, kind, points, eol);
  for (long k = 0; k < points; ++k) {
    Point p = point_at(k, points);
    put_number(out, p.e);
    out.put("\t");
    if (kind != ExportKind::digisim) {
      put_number(out, p.t);
      out.put("\t");
    }
    put_number(out, p.i);
    out.put(eol);
  }
  out.flush();
  return 0;
}
