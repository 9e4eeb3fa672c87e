// trace_read: reads a trace file through the trace library, for make bench.
//
//   trace_read whole FILE    convkit::read: the whole trace in memory
//   trace_read stream FILE   convkit::TraceReader: one point at a time, constant memory
//
// Prints the number of points and the sums of the three columns (so that no read is optimised
// away, and the ways can be compared); exit status 1 on a refused file.
#include <cstdio>
#include <cstring>
#include <exception>

#include "common/trace/trace.h"
#include "common/trace/trace_reader.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: trace_read whole|stream FILE\n", stderr);
    return 2;
  }
  try {
    size_t n = 0;
    double e = 0.0, i = 0.0, t = 0.0;
    if (std::strcmp(argv[1], "whole") == 0) {
      const convkit::Trace trace = convkit::read(argv[2]);
      n = trace.time_s.size();
      for (size_t k = 0; k < n; ++k) {
        e += trace.potential_v[k];
        i += trace.current_a[k];
        t += trace.time_s[k];
      }
    } else {
      convkit::TraceReader reader(argv[2]);
      convkit::TracePoint p;
      while (reader.next(p)) {
        ++n;
        e += p.potential_v;
        i += p.current_a;
        t += p.time_s;
      }
    }
    std::printf("%zu %.17g %.17g %.17g\n", n, e, i, t);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "trace_read: %s\n", error.what());
    return 1;
  }
  return 0;
}
