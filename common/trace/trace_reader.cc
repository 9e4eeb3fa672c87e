// The reader sees each line in LineScan's buffer, where it lies; nothing grows with the file.
// Every refusal names the line (from 1) and the column (the byte, from 1) where the file stops
// being what the family writes, the text found there and what was expected instead.
#include "common/trace/trace_reader.h"

#include <system_error>

#include "common/recordio/line_scan.h"
#include "common/trace/number_text.h"
#include "common/trace/parse_error.h"

namespace convkit {
namespace {

constexpr size_t kMaxItems = 4;  // a data line's three numbers and the first item too many

struct Item {
  size_t begin;  // offset in the line
  std::string_view text;
};

// The item of line at or after i (empty at the end of the line); i moves past it.
Item next_item(std::string_view line, size_t& i) {
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  const size_t start = i;
  while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  return {start, line.substr(start, i - start)};
}

// The first max_items items of line.
size_t split_items(std::string_view line, Item* items, size_t max_items) {
  size_t count = 0;
  size_t i = 0;
  while (count < max_items) {
    const Item item = next_item(line, i);
    if (item.text.empty()) break;
    items[count++] = item;
  }
  return count;
}

// Whether line has items and every one of them is a number: where the header ends.
bool all_numbers(std::string_view line) {
  size_t i = 0;
  Item item = next_item(line, i);
  if (item.text.empty()) return false;
  for (; !item.text.empty(); item = next_item(line, i)) {
    if (!is_number(scan_number(item.text).outcome)) return false;
  }
  return true;
}

const char* const kThreeNumbers = "three numbers (potential, current, time)";

// What a refused number item was expected to be.
const char* expected_number(NumberOutcome outcome) {
  return outcome == NumberOutcome::out_of_range ? "a number within the range of a double"
                                                : "a number";
}

}  // namespace

// The text past the longest line is found in the line's first bytes.
static_assert(kKeptBytes >= static_cast<size_t>(kMaxLineLength) + 2);

TraceReader::TraceReader(const std::string& path)
    : path_(path), lines_(std::make_unique<LineScan>(path, PipeWait::yes)) {
  if (!lines_->ok()) throw std::system_error(lines_->error(), std::generic_category(), path);
  read_header();
}

TraceReader::~TraceReader() = default;

bool TraceReader::next_line() {
  Line line;
  const bool any = lines_->next(line);
  // A read error ends the lines, or cuts the last one short.
  if ((!any || !line.ended) && lines_->error() != 0) {
    throw std::system_error(lines_->error(), std::generic_category(), path_);
  }
  if (!any) return false;
  line_ = line.number;
  // A CR before the line feed (or at the end of the file) is the line end's, unless the line is
  // too long anyway; then the refusal shows the two bytes past the limit.
  // (The text's pointer and size are taken one by one: copied whole, the view would be read
  // back as one piece just after being stored as two, which costs the loop a stall a line.)
  const char* data = line.text.data();
  size_t size = line.text.size();
  cr_ = line.length <= kMaxLineLength + 2 && size > 0 && data[size - 1] == '\r';
  if (cr_) --size;
  line_text_ = std::string_view(data, size);
  if (line.length - (cr_ ? 1 : 0) > kMaxLineLength) {
    throw ParseError(path_, line_, kMaxLineLength + 1,
                     quoted_text(line_text_.substr(static_cast<size_t>(kMaxLineLength), 2)),
                     "a line end within " + std::to_string(kMaxLineLength) + " bytes");
  }
  return true;
}

void TraceReader::read_header() {
  if (!next_line()) {
    throw ParseError(path_, 1, 1, "end of file", "cvsin_type_1 or cvsin_type_2");
  }
  const std::string_view line = line_text_;
  Item items[2];
  const size_t count = split_items(line, items, 2);
  Layout layout = Layout::cvsin_type_2;
  if (count > 0 && items[0].begin == 0 && items[0].text == layout_name(Layout::cvsin_type_1)) {
    layout = Layout::cvsin_type_1;
  } else if (count == 0 || items[0].begin != 0 ||
             items[0].text != layout_name(Layout::cvsin_type_2)) {
    throw ParseError(path_, 1, 1,
                     count > 0 ? quoted_text(line.substr(0, items[0].begin + items[0].text.size()))
                               : "end of line",
                     "cvsin_type_1 or cvsin_type_2");
  }
  if (count > 1) {
    throw ParseError(path_, 1, static_cast<int64_t>(items[1].begin) + 1, quoted_text(items[1].text),
                     "the end of the line");
  }
  header_.layout = layout;
  header_.line_end = cr_ ? LineEnd::cr_lf : LineEnd::lf;
  header_.records.push_back({std::string(items[0].text), "", 1, 0});

  const size_t expected = static_cast<size_t>(header_record_count(layout));
  std::string found = "end of file";
  int64_t place = 0;
  while (next_line()) {
    if (all_numbers(line_text_)) {
      first_data_line_ = line_;
      place = line_;
      found = quoted_text(line_text_);
      break;
    }
    // A complete header is followed by data: the line is refused where it stops being one.
    if (header_.records.size() == expected) parse_point(first_point_);
    read_header_record();
  }
  if (place == 0) place = line_ + 1;
  if (header_.records.size() < expected) {
    throw ParseError(path_, place, 1, found,
                     "header record " + std::to_string(header_.records.size() + 1) + " of " +
                         std::to_string(expected) + " (" + std::string(layout_name(layout)) + ")");
  }
  for (std::string_view label : required_labels(layout)) {
    if (find_record(header_, label) == nullptr) {
      throw ParseError(path_, place, 1, found,
                       "a header record '" + std::string(label) + "' before the data");
    }
  }
  if (first_data_line_ > 0) {
    pending_point_ = true;
    parse_point(first_point_);
  }
}

void TraceReader::read_header_record() {
  const std::string_view line = line_text_;
  Item items[3];
  const size_t n = split_items(line, items, 3);
  if (n == 0) throw ParseError(path_, line_, 1, "end of line", "a label and its value");
  const std::string_view label = items[0].text;
  const auto column = [](const Item& item) { return static_cast<int64_t>(item.begin) + 1; };
  if (label.back() != ':') {
    throw ParseError(path_, line_, column(items[0]), quoted_text(label), "a label ending in ':'");
  }
  if (const HeaderRecord* r = find_record(header_, label); r != nullptr) {
    throw ParseError(path_, line_, column(items[0]), quoted_text(label),
                     "each label once (also on line " + std::to_string(r->line) + ")");
  }
  if (n < 2) {
    throw ParseError(path_, line_, static_cast<int64_t>(line.size()) + 1, "end of line",
                     "a value after the label");
  }
  if (n > 2) {
    throw ParseError(path_, line_, column(items[2]), quoted_text(items[2].text),
                     "the end of the line");
  }
  const std::string_view value = items[1].text;
  double number = 0.0;
  switch (value_kind(label)) {
    case ValueKind::number: {
      const NumberScan scan = scan_number(value);
      if (!is_number(scan.outcome)) {
        throw ParseError(path_, line_, column(items[1]), quoted_text(value),
                         expected_number(scan.outcome));
      }
      number = scan.value;
      break;
    }
    case ValueKind::whole:
      if (!is_whole_text(value)) {
        throw ParseError(path_, line_, column(items[1]), quoted_text(value),
                         "a whole number of up to 9 digits");
      }
      break;
    case ValueKind::text:
      break;
  }
  header_.records.push_back({std::string(label), std::string(value), line_, column(items[1])});
  set_header_value(header_, label, value, number);
}

void TraceReader::parse_point(TracePoint& point) {
  const std::string_view line = line_text_;
  Item items[kMaxItems];
  const size_t n = split_items(line, items, kMaxItems);
  double values[3];
  bool finite = true;
  for (size_t i = 0; i < 3; ++i) {
    if (i >= n) {
      throw ParseError(path_, line_, static_cast<int64_t>(line.size()) + 1, "end of line",
                       kThreeNumbers);
    }
    const NumberScan scan = scan_number(items[i].text);
    if (!is_number(scan.outcome)) {
      throw ParseError(path_, line_, static_cast<int64_t>(items[i].begin) + 1,
                       quoted_text(items[i].text), expected_number(scan.outcome));
    }
    finite = finite && scan.outcome == NumberOutcome::finite;
    values[i] = scan.value;
  }
  if (n > 3) {
    throw ParseError(path_, line_, static_cast<int64_t>(items[3].begin) + 1,
                     quoted_text(items[3].text),
                     std::string("the end of the line after ") + kThreeNumbers);
  }
  point = {values[0], values[1], values[2]};
  if (!finite) {
    if (non_finite_points_ == 0) first_non_finite_line_ = line_;
    ++non_finite_points_;
  }
}

bool TraceReader::next(TracePoint& point) {
  if (pending_point_) {
    pending_point_ = false;
    point = first_point_;
    return true;
  }
  if (!next_line()) return false;
  parse_point(point);
  return true;
}

}  // namespace convkit
