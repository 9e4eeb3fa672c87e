// Fuzz target: free-form read statements over any bytes.
//
// One statement shape - one to four items of text, double and integer kinds, with or without an
// end-of-file branch - is read again and again until the file is used up or the run fails.
// A failure is a normal outcome. What must hold for every input:
// - no text target is written beyond its length (guard bytes lie around each);
// - an end-of-file outcome comes only from a statement with the branch, and such a statement
//   never fails with an end of file;
// - the failure report is exact: a first line from the table of reading failures, then the
//   unit and file, "list io" and the reading transfer;
// - a statement that completes consumes a line, so there are never more statements than lines.
// When the file's bytes are mapped onto the characters of numbers and separators and no item is
// a text, a model of the statement written here from the rules of free-form reading predicts
// every stored value, every outcome and every failure exactly.
//
// Input: byte 0: bits 0-1 the item count less 1, bit 2 the end-of-file branch, bit 3 the
// mapping of other bytes onto number characters, bit 4 a padding line that puts the rest across the
// unit's buffer edge; byte 1: the items' kinds, two bits each (0 text, 1 double, 2 integer, 3
// double); byte 2: the length of the text items (72 when the top bit is set); byte 3: how far
// before the buffer edge the padding ends. The rest is the file.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/recordio/free_reader.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "fuzz/harness.h"
#include "tests/support/files.h"
#include "tests/support/run_capture.h"
#include "tests/support/scratch.h"

namespace convkit {
namespace {

constexpr int kUnit = 2;
constexpr size_t kMaxText = 80;
constexpr std::string_view kNumberBytes = "0123456789.+-eEdD*,/ \t\r\n";
constexpr double kStartReal = 7.25;
constexpr int32_t kStartInteger = 12345;

const char* const kReadingFailures[] = {
    "read start: end of file",
    "list in: end of file",
    "invalid number: incomprehensible list input",
    "invalid integer: read unexpected character",
    "exponent field: incomprehensible list input",
    "bad repetition count: incomprehensible list input",
};

enum class Kind { text, real, integer };

struct Slot {
  Kind kind = Kind::real;
  int length = 0;
  char text[kFuzzGuard + kMaxText + kFuzzGuard];
  double real = kStartReal;
  int32_t integer = kStartInteger;
};

ReadItem item_of(Slot& slot) {
  switch (slot.kind) {
    case Kind::text:
      return text_item(slot.text + kFuzzGuard, slot.length);
    case Kind::real:
      return real_item(slot.real);
    case Kind::integer:
      break;
  }
  return integer_item(slot.integer);
}

ReadOutcome read_slots(std::vector<Slot>& slots, bool branch) {
  std::vector<ReadItem> items;
  items.reserve(slots.size());
  for (Slot& slot : slots) items.push_back(item_of(slot));
  return read_free(kUnit, items, branch);
}

// ---- The model: free-form reading of numbers ---------------------------------------------

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_sign(int c) { return c == '+' || c == '-'; }
bool is_letter(int c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

struct Expected {
  enum { completed, end_of_file, failed } outcome = completed;
  std::string failure;  // the first line of the report
};

struct ModelValue {
  double real = kStartReal;
  int32_t integer = kStartInteger;
  bool integer_known = true;  // false after a value outside the 32-bit range
};

struct NumberModel {
  std::string_view bytes;
  size_t pos = 0;
  bool at_end = false;
  // One statement's state.
  bool end_seen = false;
  uint64_t repeat = 0;
  bool held = false;  // a number is held (else the value is null)
  double number = 0.0;
  std::string failure;

  int next() {
    if (pos < bytes.size()) return static_cast<unsigned char>(bytes[pos++]);
    at_end = true;
    end_seen = true;
    return -1;
  }

  bool fail(const char* text) {
    failure = text;
    return false;
  }

  // One number item from its first byte; false on a failure.
  bool scan(bool integer) {
    bool counted = false;
    for (;;) {
      int c = next();
      bool minus = false;
      if (is_sign(c)) {
        minus = c == '-';
        c = next();
      }
      std::string kept;
      long long exponent = 0;
      bool seen = false;
      for (; is_digit(c); c = next()) {
        seen = true;
        if (kept.size() == 40) {
          ++exponent;
        } else if (c != '0' || !kept.empty()) {
          kept += static_cast<char>(c);
        }
      }
      if (c == '*' && !counted) {
        if (minus || kept.empty() || exponent > 0) {
          return fail("bad repetition count: incomprehensible list input");
        }
        repeat = 0;
        for (char k : kept) {
          if (repeat < (uint64_t{1} << 60)) repeat = repeat * 10 + static_cast<uint64_t>(k - '0');
        }
        counted = true;
        continue;
      }
      if (c == '.') {
        if (integer) return fail("invalid integer: read unexpected character");
        for (c = next(); is_digit(c); c = next()) {
          seen = true;
          if (kept.empty() && c == '0') {
            --exponent;
          } else if (kept.size() < 40) {
            kept += static_cast<char>(c);
            --exponent;
          }
        }
      }
      if (seen && (is_letter(c) || is_sign(c))) {
        if (is_letter(c)) {
          if (integer) return fail("invalid integer: read unexpected character");
          c = next();
        }
        bool negative = false;
        if (is_sign(c)) {
          negative = c == '-';
          c = next();
        }
        if (!is_digit(c)) return fail("exponent field: incomprehensible list input");
        long long e = 0;
        for (; is_digit(c); c = next()) {
          e = e * 10 + (c - '0');
          if (e > 99999999) return fail("exponent field: incomprehensible list input");
        }
        exponent += negative ? -e : e;
      }
      if (c >= 0) --pos;
      if (!seen) {
        bool null = c == ',' || c == '/' || (counted && (c == ' ' || c == '\t' || c == '\n'));
        if (!null) return fail("invalid number: incomprehensible list input");
        held = false;
        return true;
      }
      std::string text = (kept.empty() ? std::string("0") : kept) + "e" + std::to_string(exponent);
      number = std::strtod(text.c_str(), nullptr);
      if (minus) number = -number;
      held = true;
      return true;
    }
  }

  Expected end(const char* context, bool branch) {
    Expected e;
    if (branch) {
      e.outcome = Expected::end_of_file;
    } else {
      e.outcome = Expected::failed;
      e.failure = std::string(context) + ": end of file";
    }
    return e;
  }

  Expected statement(const std::vector<Kind>& kinds, bool branch, std::vector<ModelValue>& values) {
    end_seen = false;
    repeat = 0;
    held = false;
    if (at_end) return end("read start", branch);
    for (size_t i = 0; i < kinds.size(); ++i) {
      if (end_seen) return end("list in", branch);
      if (repeat == 0) {
        int c;
        do {
          c = next();
        } while (c == ' ' || c == '\t' || c == '\n');
        if (c < 0) return end("list in", branch);
        if (c == '/') break;
        if (c == ',') continue;
        --pos;
        if (!scan(kinds[i] == Kind::integer)) {
          Expected e;
          e.outcome = Expected::failed;
          e.failure = failure;
          return e;
        }
      }
      int c;
      do {
        c = next();
      } while (c == ' ' || c == '\t');
      if (c >= 0 && !(c == ',' && repeat <= 1)) --pos;
      if (held) {
        ModelValue& v = values[i];
        if (kinds[i] == Kind::real) {
          v.real = number;
        } else {
          double whole = std::trunc(number);
          v.integer_known = whole >= -2147483648.0 && whole <= 2147483647.0;
          if (v.integer_known) v.integer = static_cast<int32_t>(whole);
        }
      }
      if (repeat > 0) --repeat;
    }
    if (!end_seen) {
      int c;
      do {
        c = next();
      } while (c >= 0 && c != '\n');
      if (c < 0 && branch) return end("list in", branch);
    }
    return Expected{};
  }
};

bool same_double(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string exact(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

std::string shape_of(const std::vector<Kind>& kinds, bool branch) {
  std::string s = "statement of";
  for (Kind k : kinds) s += k == Kind::text ? " text" : k == Kind::real ? " real" : " integer";
  s += branch ? " with" : " without";
  s += " an end-of-file branch";
  return s;
}

}  // namespace
}  // namespace convkit

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace convkit;
  fuzz_start_record_layer();
  if (size < 4) return 0;
  const uint8_t flags = data[0];
  const size_t count = 1 + (flags & 3u);
  const bool branch = (flags & 4u) != 0;
  const bool mapped = (flags & 8u) != 0;
  const bool padded = (flags & 16u) != 0;
  const int text_length = (data[2] & 0x80u) != 0 ? 72 : 1 + data[2] % static_cast<int>(kMaxText);

  std::vector<Kind> kinds;
  bool any_text = false;
  for (size_t i = 0; i < count; ++i) {
    unsigned k = (data[1] >> (2 * i)) & 3u;
    kinds.push_back(k == 0 ? Kind::text : k == 2 ? Kind::integer : Kind::real);
    any_text = any_text || k == 0;
  }
  std::string body(reinterpret_cast<const char*>(data) + 4, size - 4);
  if (mapped) {
    // Bytes of numbers stay as they are, so that exports and control files map onto themselves.
    for (char& c : body) {
      if (kNumberBytes.find(c) == std::string_view::npos) {
        c = kNumberBytes[static_cast<unsigned char>(c) % kNumberBytes.size()];
      }
    }
  }
  const bool modelled = mapped && !any_text;

  const std::string path = testkit::process_scratch_dir() + "/records";
  static std::string file;  // its room is kept: a padded file is 64 KiB
  file.clear();
  if (padded) {
    file.append(kUnitBufferSize - data[3] - 1, 'p');
    file += '\n';
  }
  file += body;
  testkit::write_file(path, file);

  std::vector<Slot> slots(count);
  for (size_t i = 0; i < count; ++i) {
    slots[i].kind = kinds[i];
    slots[i].length = text_length;
    std::memset(slots[i].text, kFuzzGuardByte, sizeof slots[i].text);
  }
  NumberModel model;
  model.bytes = body;
  std::vector<ModelValue> values(count);
  size_t lines = 0;
  for (char c : body) lines += c == '\n' ? 1 : 0;
  const std::string shape = shape_of(kinds, branch);

  size_t statements = 0;
  Expected expected;
  const std::optional<RunEnded> ended = testkit::run_end_of([&] {
    open_unit(kUnit, path.data(), static_cast<int>(path.size()));
    if (padded) {
      char skip = ' ';
      read_free(kUnit, {text_item(&skip, 1)}, false);
    }
    for (;;) {
      if (modelled) expected = model.statement(kinds, branch, values);
      ReadOutcome outcome = read_slots(slots, branch);
      ++statements;
      for (const Slot& slot : slots) {
        FUZZ_CHECK(fuzz_guards_intact(slot.text + kFuzzGuard, static_cast<size_t>(slot.length)),
                   "a text item was written outside its length", shape);
      }
      FUZZ_CHECK(outcome == ReadOutcome::completed || branch,
                 "an end-of-file outcome without a branch", shape);
      if (modelled) {
        FUZZ_CHECK(expected.outcome != Expected::failed,
                   "statement " + std::to_string(statements) + " went through where the model " +
                       "fails with",
                   expected.failure);
        FUZZ_CHECK(
            (outcome == ReadOutcome::end_of_file) == (expected.outcome == Expected::end_of_file),
            "statement " + std::to_string(statements) + " outcome differs from the model", shape);
        for (size_t i = 0; i < count; ++i) {
          if (kinds[i] == Kind::real) {
            FUZZ_CHECK(same_double(slots[i].real, values[i].real),
                       "statement " + std::to_string(statements) + " item " +
                           std::to_string(i + 1) + " real differs from the model: got " +
                           exact(slots[i].real) + ", expected " + exact(values[i].real),
                       shape);
          } else if (values[i].integer_known) {
            FUZZ_CHECK(slots[i].integer == values[i].integer,
                       "statement " + std::to_string(statements) + " item " +
                           std::to_string(i + 1) + " integer differs from the model: got " +
                           std::to_string(slots[i].integer) + ", expected " +
                           std::to_string(values[i].integer),
                       shape);
          } else {
            values[i].integer = slots[i].integer;  // unsettled: take what was stored
            values[i].integer_known = true;
          }
        }
      }
      if (outcome == ReadOutcome::end_of_file) break;
      FUZZ_CHECK(statements <= lines + 1, "more statements completed than the file has lines",
                 shape);
    }
    close_unit(kUnit);
  });
  if (ended) {
    FUZZ_CHECK(ended->failed, "a read stopped the run without a failure");
    size_t first_end = ended->report.find('\n');
    std::string first = ended->report.substr(0, first_end);
    bool known = false;
    for (const char* f : kReadingFailures) known = known || first == f;
    FUZZ_CHECK(known, "a failure outside the reading failures", ended->report);
    FUZZ_CHECK(!branch || first.find("end of file") == std::string::npos,
               "a statement with an end-of-file branch failed at the end of the file",
               ended->report);
    FUZZ_CHECK(ended->report.substr(first_end + 1) ==
                   "apparent state: unit " + std::to_string(kUnit) + " named " + path +
                       "\nlast format: list io\nlately reading sequential formatted external IO\n",
               "the failure report's state lines differ", ended->report);
    if (modelled) {
      FUZZ_CHECK(expected.outcome == Expected::failed,
                 "statement " + std::to_string(statements + 1) + " fails where the model does not",
                 ended->report);
      FUZZ_CHECK(first == expected.failure,
                 "statement " + std::to_string(statements + 1) + " fails as " + first +
                     "; the model fails as",
                 expected.failure);
    }
  }
  for (int n = 1; n < kUnitCount; ++n) {
    if (n != kErrorUnit && n != kInputUnit && n != kConsoleUnit) {
      FUZZ_CHECK(!unit_connected(n), "a unit is left connected after the run ended");
    }
  }
  return 0;
}
