// fast_paths: a proving ground for two fast paths of the converters, kept beside the benchmark
// until they move into the record layer. For every number of an export, and for many random
// values, it checks that each fast path gives exactly what the general conversion gives, and
// it times both.
//
// - Number scan: a plain decimal of at most 19 significant digits whose power of ten lies in
//   [-22, 22] is an integer times or over an exact power of ten, so one correctly rounded
//   multiplication or division gives the nearest double. Everything else goes to
//   std::from_chars.
// - The 13-character E form with six digits: the magnitude scaled by an exact power of ten into
//   [1e5, 1e6) is off the true product by less than 1.2e-10, so its rounding to an integer is
//   the true rounding unless the fraction lies within 1e-9 of one half; only then, and for
//   zero, non-finite or extreme values, std::to_chars decides.
//
// Usage: fast_paths EXPORT [RANDOM_COUNT]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace convkit {
namespace {

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPow10 = 22;

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// ---- Number scan -----------------------------------------------------------------------

// [sign] digits [. digits] [E|e|D|d [sign] digits]; the end of what was taken, or nullptr
// when the value needs the general conversion.
const char* scan_fast(const char* p, const char* end, double& value) {
  bool minus = false;
  if (p < end && (*p == '-' || *p == '+')) {
    minus = *p == '-';
    ++p;
  }
  uint64_t mantissa = 0;
  int significant = 0;
  int exponent = 0;
  bool seen = false;
  while (p < end && is_digit(*p)) {
    seen = true;
    if (mantissa != 0 || *p != '0') {
      mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
      ++significant;
    }
    ++p;
  }
  if (p < end && *p == '.') {
    ++p;
    while (p < end && is_digit(*p)) {
      seen = true;
      if (mantissa != 0 || *p != '0') {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
        ++significant;
      }
      --exponent;
      ++p;
    }
  }
  if (!seen || significant > 19) return nullptr;
  if (p < end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) {
    ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
      negative = *p == '-';
      ++p;
    }
    if (p == end || !is_digit(*p)) return nullptr;
    int e = 0;
    while (p < end && is_digit(*p)) {
      if (e > 100000) return nullptr;
      e = e * 10 + (*p - '0');
      ++p;
    }
    exponent += negative ? -e : e;
  }
  if (mantissa > (uint64_t{1} << 53)) return nullptr;
  double v = static_cast<double>(mantissa);
  if (mantissa != 0) {
    if (exponent < -kMaxExactPow10 || exponent > kMaxExactPow10) return nullptr;
    v = exponent < 0 ? v / kPow10[-exponent] : v * kPow10[exponent];
  }
  value = minus ? -v : v;
  return p;
}

// The same scan taking up to eight digits at a time: the digits of an 8-byte word are found
// and converted with a few multiplications instead of one multiply-add per digit, whose chain
// is what bounds the scan above.
inline int digits_in_word(uint64_t x) {  // x: eight bytes less '0' each, first byte lowest
  const uint64_t not_digit = ((x + 0x7676767676767676) | x) & 0x8080808080808080;
  return not_digit == 0 ? 8 : std::countr_zero(not_digit) / 8;
}

inline uint64_t word_value(uint64_t x, int n) {  // the first n (1 to 8) digits of x
  x <<= 8 * (8 - n);
  x = (x * 10) + (x >> 8);
  x = (((x & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
       (((x >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
      32;
  return x;
}

constexpr uint64_t kPow10Int[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Digits at p into mantissa; returns how many were taken, or -1 past 19 digits.
inline int take_digits(const char*& p, const char* end, uint64_t& mantissa) {
  int taken = 0;
  while (end - p >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    w -= 0x3030303030303030;
    const int n = digits_in_word(w);
    if (n == 0) return taken;
    taken += n;
    if (taken > 19) return -1;
    mantissa = mantissa * kPow10Int[n] + word_value(w, n);
    p += n;
    if (n < 8) return taken;
  }
  while (p < end && is_digit(*p)) {
    if (++taken > 19) return -1;
    mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
    ++p;
  }
  return taken;
}

const char* scan_words(const char* p, const char* end, double& value) {
  bool minus = false;
  if (p < end && (*p == '-' || *p == '+')) {
    minus = *p == '-';
    ++p;
  }
  uint64_t mantissa = 0;
  int whole = take_digits(p, end, mantissa);
  if (whole < 0) return nullptr;
  int fraction = 0;
  if (p < end && *p == '.') {
    ++p;
    fraction = take_digits(p, end, mantissa);
    if (fraction < 0 || whole + fraction > 19) return nullptr;
  }
  if (whole + fraction == 0) return nullptr;
  int exponent = -fraction;
  if (p < end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) {
    ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
      negative = *p == '-';
      ++p;
    }
    if (p == end || !is_digit(*p)) return nullptr;
    int e = 0;
    while (p < end && is_digit(*p)) {
      if (e > 100000) return nullptr;
      e = e * 10 + (*p - '0');
      ++p;
    }
    exponent += negative ? -e : e;
  }
  if (mantissa > (uint64_t{1} << 53)) return nullptr;
  double v = static_cast<double>(mantissa);
  if (mantissa != 0) {
    if (exponent < -kMaxExactPow10 || exponent > kMaxExactPow10) return nullptr;
    v = exponent < 0 ? v / kPow10[-exponent] : v * kPow10[exponent];
  }
  value = minus ? -v : v;
  return p;
}

const char* scan_general(const char* p, const char* end, double& value) {
  std::from_chars_result r = std::from_chars(p, end, value);
  return r.ec == std::errc() ? r.ptr : nullptr;
}

// ---- The 13-character E form ---------------------------------------------------------------

char* exponent_part(char* out, int q) {
  unsigned magnitude = q < 0 ? 0u - static_cast<unsigned>(q) : static_cast<unsigned>(q);
  char sign = q < 0 ? '-' : '+';
  if (magnitude <= 99) {
    *out++ = 'E';
    *out++ = sign;
  } else {
    *out++ = sign;
    *out++ = static_cast<char>('0' + magnitude / 100 % 10);
  }
  *out++ = static_cast<char>('0' + magnitude / 10 % 10);
  *out++ = static_cast<char>('0' + magnitude % 10);
  return out;
}

// As the record layer forms it today: std::to_chars to six significant digits.
char* form_general(char* out, double value) {
  if (!std::isfinite(value)) {
    std::memcpy(out,
                std::isnan(value) ? "          NAN"
                : value < 0       ? "         -INF"
                                  : "          INF",
                13);
    return out + 13;
  }
  if (value == 0.0) {
    std::memcpy(out, " 0.000000E+00", 13);
    return out + 13;
  }
  const bool minus = value < 0.0;
  char text[32];
  std::to_chars_result r = std::to_chars(text, text + sizeof text, minus ? -value : value,
                                         std::chars_format::scientific, 5);
  int p = 0;
  for (const char* e = text + 9; e < r.ptr; ++e) p = p * 10 + (*e - '0');
  out[0] = minus ? '-' : ' ';
  out[1] = '0';
  out[2] = '.';
  out[3] = text[0];
  std::memcpy(out + 4, text + 2, 5);
  exponent_part(out + 9, (text[8] == '-' ? -p : p) + 1);
  return out + 13;
}

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* form_fast(char* out, double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  // Zero, subnormals, infinities and not-a-number take the general way.
  if (biased == 0 || biased == 0x7ff) return form_general(out, value);
  const double magnitude = std::abs(value);
  // floor(log10(2^e)), exact for these exponents; the scaled value is put right below.
  const int e2 = biased - 1023;
  int k = 5 - ((e2 * 78913) >> 18);
  double y = 0.0;
  for (int tries = 0;; ++tries) {
    if (k < -kMaxExactPow10 || k > kMaxExactPow10 || tries == 3) return form_general(out, value);
    y = k < 0 ? magnitude / kPow10[-k] : magnitude * kPow10[k];
    if (y < 1e5) {
      ++k;
    } else if (y >= 1e6) {
      --k;
    } else {
      break;
    }
  }
  const double whole = std::floor(y);
  const double fraction = y - whole;
  if (std::abs(fraction - 0.5) < 1e-9) return form_general(out, value);  // a tie, or too near
  uint32_t digits = static_cast<uint32_t>(whole) + (fraction > 0.5 ? 1u : 0u);
  int q = 6 - k;
  if (digits == 1000000) {
    digits = 100000;
    ++q;
  }
  out[0] = value < 0.0 ? '-' : ' ';
  out[1] = '0';
  out[2] = '.';
  const uint32_t high = digits / 10000;
  const uint32_t middle = digits / 100 % 100;
  const uint32_t low = digits % 100;
  std::memcpy(out + 3, kPairs + 2 * high, 2);
  std::memcpy(out + 5, kPairs + 2 * middle, 2);
  std::memcpy(out + 7, kPairs + 2 * low, 2);
  exponent_part(out + 9, q);
  return out + 13;
}

// ---- The proving ground ------------------------------------------------------------------

std::string read_file(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::perror(path);
    std::exit(1);
  }
  struct stat st;
  fstat(fd, &st);
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = read(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  return text;
}

// Where every number of the data lines starts and ends.
struct Token {
  const char* begin;
  const char* end;
};

std::vector<Token> number_tokens(const std::string& text) {
  std::vector<Token> tokens;
  const char* p = text.data();
  const char* end = p + text.size();
  bool data = false;
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* line_end = lf != nullptr ? lf : end;
    if (data) {
      const char* q = p;
      while (q < line_end) {
        while (q < line_end && (*q == ' ' || *q == '\t' || *q == '\r')) ++q;
        const char* start = q;
        while (q < line_end && !(*q == ' ' || *q == '\t' || *q == '\r')) ++q;
        if (q > start) tokens.push_back({start, q});
      }
    } else {
      const char* q = p;
      while (q < line_end && (*q == ' ' || *q == '\t')) ++q;
      data = line_end - q >= 6 && std::memcmp(q, "number", 6) == 0;
    }
    p = line_end + 1;
  }
  return tokens;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace
}  // namespace convkit

int main(int argc, char** argv) {
  using namespace convkit;
  if (argc < 2 || argc > 3) {
    std::fputs("usage: fast_paths EXPORT [RANDOM_COUNT]\n", stderr);
    return 2;
  }
  long random_count = argc == 3 ? std::atol(argv[2]) : 10000000;
  std::string text = read_file(argv[1]);
  std::vector<Token> tokens = number_tokens(text);
  std::vector<double> values(tokens.size());
  int failures = 0;
  size_t slow_scans = 0;

  // Both scans agree bit for bit on every number of the export.
  for (size_t i = 0; i < tokens.size(); ++i) {
    double general = 0.0, fast = 0.0;
    const char* g = scan_general(tokens[i].begin, tokens[i].end, general);
    const char* f = scan_fast(tokens[i].begin, tokens[i].end, fast);
    if (f == nullptr) {
      ++slow_scans;
      f = scan_general(tokens[i].begin, tokens[i].end, fast);
    }
    double words = 0.0;
    const char* w = scan_words(tokens[i].begin, tokens[i].end, words);
    if (w == nullptr) w = scan_general(tokens[i].begin, tokens[i].end, words);
    if (g != f || std::bit_cast<uint64_t>(general) != std::bit_cast<uint64_t>(fast) || g != w ||
        std::bit_cast<uint64_t>(general) != std::bit_cast<uint64_t>(words)) {
      if (++failures <= 10) {
        std::fprintf(stderr, "scan differs: %.*s\n",
                     static_cast<int>(tokens[i].end - tokens[i].begin), tokens[i].begin);
      }
    }
    values[i] = general;
  }

  // Both forms agree on every value of the export, negated too, and on random values: random
  // bit patterns over the whole range, and short decimals, whose sixth-digit ties are where a
  // scaled rounding would go wrong.
  auto check_form = [&](double v) {
    char a[13], b[13];
    form_general(a, v);
    form_fast(b, v);
    if (std::memcmp(a, b, 13) != 0 && ++failures <= 10) {
      std::fprintf(stderr, "form differs for %.17g: %.13s / %.13s\n", v, a, b);
    }
  };
  for (double v : values) {
    check_form(v);
    check_form(-v);
  }
  std::mt19937_64 random(20240607);
  for (long i = 0; i < random_count; ++i) {
    check_form(std::bit_cast<double>(random()));
    const double decimal =
        static_cast<double>(random() % 100000000) * kPow10[random() % 23] / kPow10[random() % 23];
    check_form(decimal);
    check_form(static_cast<double>(i) * 1.6e-5);
  }

  // Timings over the export's numbers, best of five.
  auto best_of = [](auto&& work) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
      auto start = std::chrono::steady_clock::now();
      work();
      double t = seconds_since(start);
      if (t < best) best = t;
    }
    return best;
  };
  double sink = 0.0;
  const double t_scan_general = best_of([&] {
    for (const Token& t : tokens) {
      double v = 0.0;
      scan_general(t.begin, t.end, v);
      sink += v;
    }
  });
  const double t_scan_fast = best_of([&] {
    for (const Token& t : tokens) {
      double v = 0.0;
      if (scan_fast(t.begin, t.end, v) == nullptr) scan_general(t.begin, t.end, v);
      sink += v;
    }
  });
  const double t_scan_words = best_of([&] {
    for (const Token& t : tokens) {
      double v = 0.0;
      if (scan_words(t.begin, t.end, v) == nullptr) scan_general(t.begin, t.end, v);
      sink += v;
    }
  });
  std::vector<char> out(values.size() * 13);
  const double t_form_general = best_of([&] {
    char* o = out.data();
    for (double v : values) o = form_general(o, v);
  });
  const double t_form_fast = best_of([&] {
    char* o = out.data();
    for (double v : values) o = form_fast(o, v);
  });

  const double n = static_cast<double>(tokens.size());
  std::printf("%zu numbers checked (%zu outside the fast scan), %ld x 3 random values formed\n",
              tokens.size(), slow_scans, random_count);
  std::printf(
      "scan: std::from_chars %.1f ns, fast path %.1f ns (x%.2f), by words %.1f ns (x%.2f) per "
      "number\n",
      t_scan_general / n * 1e9, t_scan_fast / n * 1e9, t_scan_general / t_scan_fast,
      t_scan_words / n * 1e9, t_scan_general / t_scan_words);
  std::printf("E13.6: std::to_chars %.1f ns, fast path %.1f ns per field (x%.2f)\n",
              t_form_general / n * 1e9, t_form_fast / n * 1e9, t_form_general / t_form_fast);
  if (sink == 1.0e300) std::puts("");
  if (failures > 0) {
    std::printf("%d DIFFERENCES\n", failures);
    return 1;
  }
  std::puts("no difference");
  return 0;
}
