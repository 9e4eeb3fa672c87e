// The free-form read statement: items separated by blanks, tabs, commas or line ends.
//
// A line may be of any length, also one without a single separator: only as many bytes of a
// text value are held as the longest text item of the statement can take, and skipping looks
// at the buffer directly, so memory does not grow with a line.
#include "common/recordio/free_reader.h"

#include <cstdint>
#include <limits>

#include "common/recordio/detail/list_read.h"
#include "common/recordio/detail/number_scan.h"
#include "common/recordio/detail/text_scan.h"
#include "common/recordio/detail/unit_bytes.h"
#include "common/recordio/fixed_text.h"
#include "common/recordio/run_end.h"

namespace convkit {
namespace {

using namespace detail;

// After a value: blanks are skipped and one comma taken with the value's last use, so that a
// comma after a repeated value separates it from the next value, not from its own repeats.
void end_value(ListRead& r) {
  int c = skip_blanks(r, false);
  if (c < 0) return;
  if (c == ',' && r.repeat <= 1) return;
  push_back_byte(r.u);
}

void store(const ListRead& r, const ReadItem& item) {
  switch (item.kind) {
    case ItemKind::real:
      if (r.held == Held::number) *static_cast<double*>(item.target) = r.number;
      break;
    case ItemKind::integer:
      if (r.held == Held::number) {
        // Beyond the 32-bit range the nearest end of it, rather than an undefined conversion.
        int32_t v;
        if (r.number >= 2147483647.0) {
          v = std::numeric_limits<int32_t>::max();
        } else if (r.number <= -2147483648.0) {
          v = std::numeric_limits<int32_t>::min();
        } else {
          v = static_cast<int32_t>(r.number);  // toward zero
        }
        *static_cast<int32_t*>(item.target) = v;
      }
      break;
    case ItemKind::text:
      if (r.held == Held::text) {
        text_assign(static_cast<char*>(item.target), item.length, g_text.data(),
                    static_cast<int>(r.text_length));
      }
      break;
  }
}

ReadOutcome end_of_file(const ListRead& r, const char* context) {
  if (!r.end_branch) fail_run(context, Failure::end_of_file());
  end_statement();
  return ReadOutcome::end_of_file;
}

}  // namespace

ReadOutcome read_free(int n, std::span<const ReadItem> items, bool has_end_branch) {
  Unit& u = unit(n);
  begin_statement(n, "list io", false);
  begin_reading(u, "read start");
  ListRead r{u, has_end_branch};
  for (const ReadItem& item : items) {
    if (item.kind == ItemKind::text && item.length > 0) {
      size_t length = static_cast<size_t>(item.length);
      if (length > r.text_room) r.text_room = length;
    }
  }
  // Memory that cannot be had ends the run in the new handler start_run installs.
  if (g_text.size() < r.text_room) g_text.resize(r.text_room);
  if (u.at_end) return end_of_file(r, "read start");
  if (read_plain_line(u, items)) {
    end_statement();
    return ReadOutcome::completed;
  }

  for (const ReadItem& item : items) {
    if (r.end_seen) return end_of_file(r, "list in");
    if (r.repeat == 0) {
      // A value may stand on a later line than the one before it.
      int c = skip_blanks(r, true);
      if (c < 0) return end_of_file(r, "list in");
      if (c == '/') break;  // this item and all later ones keep their values
      if (c == ',') continue;
      push_back_byte(u);
      if (item.kind == ItemKind::text) {
        if (!scan_text(r)) {
          if (has_end_branch) return end_of_file(r, "list in");
          r.held = Held::none;  // the item keeps its value; a later item meets the end
        }
      } else if (item.kind == ItemKind::integer || !scan_plain_number(r)) {
        scan_number(r, item.kind == ItemKind::integer);
      }
    }
    end_value(r);
    store(r, item);
    if (r.repeat > 0) --r.repeat;
  }

  // The rest of the line is never read: the next statement starts on the next line.
  if (!r.end_seen && !skip_line(u, "list in") && has_end_branch) {
    end_statement();
    return ReadOutcome::end_of_file;
  }
  end_statement();
  return ReadOutcome::completed;
}

// The text stands in for a file of that one item: a unit of its own, never connected, whose
// buffer is the text itself and whose end is the text's end. A read only moves along the bytes
// of its unit's read-ahead, and a unit at its end never refills, so the text is not written.
namespace {
struct TextUnit {
  Unit u;
  ListRead r{u, true};
  explicit TextUnit(std::string_view text) {
    u.buf = const_cast<char*>(text.empty() ? "" : text.data());
    u.cap = u.len = text.size();
    u.reading = true;
    u.at_end = true;
  }
};
}  // namespace

NumberTextOutcome read_free_number(std::string_view text, const ReadItem& item) {
  TextUnit t(text);
  Unit& u = t.u;
  ListRead& r = t.r;
  NumberScan scan = try_scan_number(r, item.kind == ItemKind::integer);
  if (scan == NumberScan::not_integer) return NumberTextOutcome::not_whole;
  if (scan != NumberScan::value || r.repeat != 0) return NumberTextOutcome::not_a_number;
  if (u.pos != u.len) return NumberTextOutcome::trailing;
  store(r, item);
  return NumberTextOutcome::completed;
}

NumberText scan_number_text(std::string_view text) {
  TextUnit t(text);
  Unit& u = t.u;
  ListRead& r = t.r;
  NumberOutcome outcome = NumberOutcome::invalid_number;
  switch (try_scan_number(r, false)) {
    case NumberScan::value:
      outcome = NumberOutcome::number;
      break;
    case NumberScan::null_value:
      outcome = NumberOutcome::null;
      break;
    case NumberScan::bad_count:
      outcome = NumberOutcome::bad_repetition_count;
      break;
    case NumberScan::not_integer:
      outcome = NumberOutcome::invalid_integer;
      break;
    case NumberScan::bad_exponent:
      outcome = NumberOutcome::exponent_field;
      break;
    case NumberScan::invalid:
      break;
  }
  return {outcome, u.pos, r.repeat, outcome == NumberOutcome::number ? r.number : 0.0};
}

}  // namespace convkit
