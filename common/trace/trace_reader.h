// The streaming reader of a trace file: the header first, then one point at a time, in constant
// memory (the lines come from LineScan), with the line number at hand. A pipe is read as its
// writer sends.
//
// Where the header ends is found from the content: at the first line whose items are all
// numbers. Items are separated by blanks or TABs; a line ends in LF or CR LF; blanks after the
// last item are ignored. Numbers take every form of number_text.h; NAN and INF are kept and
// counted. Anything else is refused with a ParseError at its line and column.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/trace/trace_header.h"

namespace convkit {

class LineScan;

/// The longest line a reader takes, line end excluded; a longer one is refused.
inline constexpr int64_t kMaxLineLength = 1024;

struct TracePoint {
  double potential_v = 0.0;
  double current_a = 0.0;
  double time_s = 0.0;
};

class TraceReader {
 public:
  /// Opens path and reads its header. Throws std::system_error when the file cannot be opened
  /// or read, ParseError when its header is refused.
  explicit TraceReader(const std::string& path);
  ~TraceReader();
  TraceReader(const TraceReader&) = delete;
  TraceReader& operator=(const TraceReader&) = delete;

  /// The header, as read by the constructor.
  const TraceHeader& header() const { return header_; }
  /// Reads the next point into point; false at the end of the file. Throws ParseError on a
  /// refused line, std::system_error when the file cannot be read.
  bool next(TracePoint& point);
  /// The line of the point last read (or of the last header record).
  int64_t line() const { return line_; }
  /// The line of the first point.
  int64_t first_data_line() const { return first_data_line_; }
  /// Points read so far that hold a NAN or INF, and the line of the first of them (0: none).
  int64_t non_finite_points() const { return non_finite_points_; }
  int64_t first_non_finite_line() const { return first_non_finite_line_; }
  /// The file's name as given.
  const std::string& path() const { return path_; }

 private:
  bool next_line();
  void read_header();
  void read_header_record();
  void parse_point(TracePoint& point);

  std::string path_;
  std::unique_ptr<LineScan> lines_;
  std::string_view line_text_;  // the current line, line end removed (until the next is read)
  bool cr_ = false;             // the current line ended in CR LF
  int64_t line_ = 0;
  bool pending_point_ = false;  // the line that ended the header is the first point
  TracePoint first_point_;
  int64_t first_data_line_ = 0;
  int64_t non_finite_points_ = 0;
  int64_t first_non_finite_line_ = 0;
  TraceHeader header_;
};

}  // namespace convkit
