// conversion_limit: the least work a conversion of an export needs, as a yardstick for the
// converters. It makes the passes a converter makes - a count of the points, then the
// conversion (colbrand converts in its only pass) - with std::from_chars over every number the
// converter reads, std::to_chars forming the three 13-character fields of each point, and one
// buffered write of the point lines. None of the record layer's rules is applied: a line is a
// line, a number is what std::from_chars takes, and the input is trusted to be an export as
// export_gen writes it.
//
// It writes only the point lines, byte for byte as the converter writes them, so that the
// benchmark can check a converter's output against them.
//
// Usage: conversion_limit vantor|pressik EXPORT OUTPUT VSCAN ESTART EVERTEX EEND
//        conversion_limit colbrand EXPORT OUTPUT DELT
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

namespace convkit {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr int32_t kMaxPoints = 1000000;
constexpr size_t kLineBytes = 13 + 2 + 13 + 2 + 13 + 1;

enum class Program { vantor, pressik, colbrand };

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "conversion_limit: %s\n", what);
  std::exit(1);
}

// Whole lines of a file through one buffer; a line is handed out without its line feed, and a
// last line without one is not handed out at all, as the converters do not count it.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd), buf_(kChunk) {}

  bool next(const char*& begin, const char*& end) {
    for (;;) {
      const char* p = buf_.data() + pos_;
      const void* lf = std::memchr(p, '\n', len_ - pos_);
      if (lf != nullptr) {
        begin = p;
        end = static_cast<const char*>(lf);
        pos_ = static_cast<size_t>(end - buf_.data()) + 1;
        return true;
      }
      if (at_end_) return false;
      refill();
    }
  }

  void rewind() {
    if (lseek(fd_, 0, SEEK_SET) != 0) fail("cannot rewind the export");
    pos_ = len_ = 0;
    at_end_ = false;
  }

 private:
  void refill() {
    size_t rest = len_ - pos_;
    if (rest > 0) std::memmove(buf_.data(), buf_.data() + pos_, rest);
    pos_ = 0;
    len_ = rest;
    if (buf_.size() - len_ < kChunk / 2) buf_.resize(buf_.size() * 2);
    ssize_t n = read(fd_, buf_.data() + len_, buf_.size() - len_);
    if (n < 0) fail("cannot read the export");
    if (n == 0) at_end_ = true;
    len_ += static_cast<size_t>(n);
  }

  int fd_;
  std::vector<char> buf_;
  size_t pos_ = 0;
  size_t len_ = 0;
  bool at_end_ = false;
};

const char* skip_blanks(const char* p, const char* end) {
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  return p;
}

// The first count numbers of a line.
void parse_numbers(const char* p, const char* end, double* values, int count) {
  for (int k = 0; k < count; ++k) {
    p = skip_blanks(p, end);
    std::from_chars_result r = std::from_chars(p, end, values[k]);
    if (r.ec != std::errc()) fail("a data line without its numbers");
    p = r.ptr;
  }
}

// Up to and including the column heading: the first line whose first word begins with
// "number".
void skip_header(LineReader& in) {
  const char* begin;
  const char* end;
  while (in.next(begin, end)) {
    begin = skip_blanks(begin, end);
    if (end - begin >= 6 && std::memcmp(begin, "number", 6) == 0) return;
  }
  fail("no column heading");
}

// The 13-character E field with six digits: sign or blank, "0.", the digits, the exponent of
// the 0.DDDDDD form in four characters.
char* form_field(char* out, double value) {
  if (!std::isfinite(value)) {
    const char* text = std::isnan(value) ? "          NAN"
                       : value < 0       ? "         -INF"
                                         : "          INF";
    std::memcpy(out, text, 13);
    return out + 13;
  }
  if (value == 0.0) {
    std::memcpy(out, " 0.000000E+00", 13);
    return out + 13;
  }
  char text[32];
  const bool minus = value < 0.0;
  std::to_chars_result r = std::to_chars(text, text + sizeof text, minus ? -value : value,
                                         std::chars_format::scientific, 5);
  // text is D.DDDDDe+PP, or with three exponent digits.
  int p = 0;
  for (const char* e = text + 9; e < r.ptr; ++e) p = p * 10 + (*e - '0');
  int q = (text[8] == '-' ? -p : p) + 1;
  out[0] = minus ? '-' : ' ';
  out[1] = '0';
  out[2] = '.';
  out[3] = text[0];
  std::memcpy(out + 4, text + 2, 5);
  unsigned magnitude = static_cast<unsigned>(q < 0 ? -q : q);
  char sign = q < 0 ? '-' : '+';
  if (magnitude <= 99) {
    out[9] = 'E';
    out[10] = sign;
  } else {
    out[9] = sign;
    out[10] = static_cast<char>('0' + magnitude / 100);
  }
  out[11] = static_cast<char>('0' + magnitude / 10 % 10);
  out[12] = static_cast<char>('0' + magnitude % 10);
  return out + 13;
}

class Writer {
 public:
  explicit Writer(int fd) : fd_(fd), buf_(kChunk) {}

  char* room() {
    if (buf_.size() - len_ < kLineBytes) flush();
    return buf_.data() + len_;
  }
  void commit(const char* end) { len_ = static_cast<size_t>(end - buf_.data()); }

  void flush() {
    size_t done = 0;
    while (done < len_) {
      ssize_t n = write(fd_, buf_.data() + done, len_ - done);
      if (n < 0) fail("cannot write the output");
      done += static_cast<size_t>(n);
    }
    len_ = 0;
  }

 private:
  int fd_;
  std::vector<char> buf_;
  size_t len_ = 0;
};

double number_argument(const char* text) {
  double v = 0.0;
  std::string_view s = text;
  std::from_chars_result r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) fail("an argument is no number");
  return v;
}

[[noreturn]] void usage() {
  std::fputs(
      "usage: conversion_limit vantor|pressik EXPORT OUTPUT VSCAN ESTART EVERTEX EEND\n"
      "       conversion_limit colbrand EXPORT OUTPUT DELT\n",
      stderr);
  std::exit(2);
}

}  // namespace
}  // namespace convkit

int main(int argc, char** argv) {
  using namespace convkit;
  if (argc < 2) usage();
  std::string_view name = argv[1];
  Program program;
  if (name == "vantor") {
    program = Program::vantor;
  } else if (name == "pressik") {
    program = Program::pressik;
  } else if (name == "colbrand") {
    program = Program::colbrand;
  } else {
    usage();
  }
  if (argc != (program == Program::colbrand ? 5 : 8)) usage();

  int in_fd = open(argv[2], O_RDONLY | O_CLOEXEC);
  if (in_fd < 0) fail("cannot open the export");
  int out_fd = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out_fd < 0) fail("cannot create the output");
  LineReader in(in_fd);
  const char* begin;
  const char* end;
  double values[3] = {0.0, 0.0, 0.0};

  double delt = 0.0;
  int32_t npts = kMaxPoints;
  if (program == Program::colbrand) {
    delt = number_argument(argv[4]);
  } else {
    const double vscan = number_argument(argv[4]);
    const double estart = number_argument(argv[5]);
    const double evertex = number_argument(argv[6]);
    const double eend = number_argument(argv[7]);
    const double erange = std::abs(estart - evertex) + std::abs(eend - evertex);
    // The count reads as many numbers per line as the converter's count does.
    const int counted = program == Program::vantor ? 3 : 2;
    skip_header(in);
    double sink = 0.0;
    npts = 0;
    while (npts < kMaxPoints && in.next(begin, end)) {
      parse_numbers(begin, end, values, counted);
      sink += values[0] + values[1];
      ++npts;
    }
    // Keeps the count's conversions from being optimised away.
    if (sink == 1.0e300) std::fputs("", stderr);
    in.rewind();
    const int32_t intervals = program == Program::vantor ? npts : npts - 1;
    delt = erange / (static_cast<double>(intervals) * vscan);
  }

  // The conversion: first value, the last one read negated, the time.
  const int count = program == Program::colbrand ? 2 : 3;
  skip_header(in);
  Writer out(out_fd);
  for (int32_t i = 1; i <= npts && in.next(begin, end); ++i) {
    parse_numbers(begin, end, values, count);
    char* at = out.room();
    at = form_field(at, values[0]);
    *at++ = ' ';
    *at++ = ' ';
    at = form_field(at, -values[count - 1]);
    *at++ = ' ';
    *at++ = ' ';
    at = form_field(at, static_cast<double>(i - 1) * delt);
    *at++ = '\n';
    out.commit(at);
  }
  out.flush();
  if (close(out_fd) != 0) fail("cannot close the output");
  close(in_fd);
  return 0;
}
