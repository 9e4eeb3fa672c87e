// Free-form reads and the fixed-width line read, on real files of a scratch directory.
#include "common/recordio/free_reader.h"
#include "common/recordio/line_read.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/recordio/detail/unit_bytes.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/run_capture.h"

// The largest single request made through operator new while tracking is on: a line must not
// make the reader hold memory in proportion to its length.
namespace {
bool g_tracking = false;
std::size_t g_largest_request = 0;
}  // namespace

// Kept out of line: inlined, the compiler would pair the free with a new-expression and warn.
[[gnu::noinline]] void* operator new(std::size_t n) {
  if (g_tracking && n > g_largest_request) g_largest_request = n;
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace convkit {
namespace {

constexpr int kUnit = 2;
constexpr double kKept = -777.0;  // a target's value before the read
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string first_line(const std::string& report) { return report.substr(0, report.find('\n')); }

// A 72-character text: content, then blanks.
std::string padded(const std::string& content) {
  return content + std::string(72 - content.size(), ' ');
}

// Equal doubles, with the sign of a zero and the infinities telling apart.
::testing::AssertionResult same_double(double expected, double actual) {
  if (expected == actual && std::signbit(expected) == std::signbit(actual)) {
    return ::testing::AssertionSuccess();
  }
  char text[128];
  std::snprintf(text, sizeof text, "expected %.17g (%a), got %.17g (%a)", expected, expected,
                actual, actual);
  return ::testing::AssertionFailure() << text;
}

using testkit::failure_of;
using testkit::write_file;

class FreeReadTest : public testkit::RecordLayerTest {
 protected:
  // A fresh file holding bytes, connected to unit n at its start.
  void open_with(const std::string& bytes, int n = kUnit) {
    close_unit(n);
    std::string name = dir_.path("in.txt");
    write_file(name, bytes);
    open_unit(n, name.c_str(), static_cast<int>(name.size()));
    rewind_unit(n);
  }
};

// ---- Doubles -------------------------------------------------------------------------------

struct RealRow {
  const char* name;
  std::string bytes;
  std::vector<double> expected;  // one per item; kKept: the item keeps its value
  const char* failure;           // the report's first line, or nullptr
  std::optional<double> next;    // what a following one-double read gives
};

const std::vector<RealRow> kRealRows = {
    // The worked examples.
    {"rest of line skipped", "0.1 V/s\n7\n", {0.1}, nullptr, 7.0},
    {"null by comma", "1.5E-3,,2\n7\n", {0.0015, kKept, 2.0}, nullptr, 7.0},
    {"repeat", "3*0.5\n7\n", {0.5, 0.5, 0.5}, nullptr, 7.0},
    {"sign starts exponent", "1.0-2\n", {0.01}, nullptr, std::nullopt},
    {"next line with LF", "1 2\n3\n7\n", {1.0, 2.0, 3.0}, nullptr, 7.0},
    {"CR stops next line",
     "1 2\r\n3\r\n",
     {1.0, 2.0, kKept},
     "invalid number: incomprehensible list input",
     std::nullopt},
    {"trailing letters", "12abc\n7\n", {12.0}, nullptr, 7.0},
    {"letters as next item",
     "12abc\n",
     {12.0, kKept},
     "invalid number: incomprehensible list input",
     std::nullopt},
    {"slash keeps all", "/\n7\n", {kKept, kKept, kKept}, nullptr, 7.0},
    // More of the line than items, and values over lines.
    {"four numbers, three items", "1 2 3 4\n7\n", {1.0, 2.0, 3.0}, nullptr, 7.0},
    {"tabs", "-1.9999526E-01\t-2.5E-05\t1.0E+00\n7\n", {-0.19999526, -2.5e-05, 1.0}, nullptr, 7.0},
    {"empty lines skipped", "\n\n  \n\t5\n7\n", {5.0}, nullptr, 7.0},
    {"slash after a value", "1 / 2\n7\n", {1.0, kKept, kKept}, nullptr, 7.0},
    {"slash ends number", "1/2\n7\n", {1.0, kKept}, nullptr, 7.0},
    {"leading commas", ",,3\n", {kKept, kKept, 3.0}, nullptr, std::nullopt},
    {"comma then line", "1,\n2\n7\n", {1.0, 2.0}, nullptr, 7.0},
    {"two commas after line", "1\n,2\n7\n", {1.0, kKept, 2.0}, nullptr, 7.0},
    {"sign alone before comma", "-,5\n", {kKept, 5.0}, nullptr, std::nullopt},
    {"sign alone before blank",
     "- 5\n",
     {kKept},
     "invalid number: incomprehensible list input",
     std::nullopt},
    {"point alone", ". 5\n", {kKept}, "invalid number: incomprehensible list input", std::nullopt},
    {"CR alone", "\r\n", {kKept}, "invalid number: incomprehensible list input", std::nullopt},
    {"text among data",
     "Time/s Current/A\n",
     {kKept},
     "invalid number: incomprehensible list input",
     std::nullopt},
    {"second point ends number", "1.5.5\n7\n", {1.5}, nullptr, 7.0},
    {"number ends at quote", "2'x'\n7\n", {2.0}, nullptr, 7.0},
    // Repeat counts.
    {"repeat then value", "2*1.5 3\n", {1.5, 1.5, 3.0}, nullptr, std::nullopt},
    {"repeat comma after last use", "2*1,3\n", {1.0, 1.0, 3.0}, nullptr, std::nullopt},
    {"repeat comma then null", "2*1,,3\n", {1.0, 1.0, kKept, 3.0}, nullptr, std::nullopt},
    {"repeat longer than items", "5*4\n7\n", {4.0, 4.0}, nullptr, 7.0},
    {"repeat with plus and zeros", "+002*6\n", {6.0, 6.0}, nullptr, std::nullopt},
    {"null repeat by comma", "2*,5\n", {kKept, kKept, 5.0}, nullptr, std::nullopt},
    {"null repeat by blank", "2* 5\n", {kKept, kKept, 5.0}, nullptr, std::nullopt},
    {"null repeat by line feed", "2*\n5\n", {kKept, kKept, 5.0}, nullptr, std::nullopt},
    {"null repeat by slash", "2*/\n7\n", {kKept, kKept, kKept}, nullptr, 7.0},
    {"asterisk after value ends it",
     "2*3*4\n",
     {3.0, 3.0, kKept},
     "bad repetition count: incomprehensible list input",
     std::nullopt},
    {"value after repeat on next item", "1*2 3\n", {2.0, 3.0}, nullptr, std::nullopt},
    {"repeat count zero",
     "0*5\n",
     {kKept},
     "bad repetition count: incomprehensible list input",
     std::nullopt},
    {"repeat count negative",
     "-2*5\n",
     {kKept},
     "bad repetition count: incomprehensible list input",
     std::nullopt},
    {"repeat count of 41 digits",
     "10000000000000000000000000000000000000000*5\n",
     {kKept},
     "bad repetition count: incomprehensible list input",
     std::nullopt},
    {"repeat count of 40 digits",
     "0001000000000000000000000000000000000000000*5\n",
     {5.0, 5.0},
     nullptr,
     std::nullopt},
    {"asterisk without count",
     "*5\n",
     {kKept},
     "bad repetition count: incomprehensible list input",
     std::nullopt},
    // Exponents.
    {"exponent letter D", "1D3\n", {1000.0}, nullptr, std::nullopt},
    {"exponent letter d", "25d-1\n", {2.5}, nullptr, std::nullopt},
    {"exponent letter e with plus", "1.25e+2\n", {125.0}, nullptr, std::nullopt},
    {"exponent by plus", "1+3\n", {1000.0}, nullptr, std::nullopt},
    {"exponent after point", "1.-2\n", {0.01}, nullptr, std::nullopt},
    {"exponent of 8 digits", "1e99999999\n", {kInf}, nullptr, std::nullopt},
    {"negative exponent of 8 digits", "-1e-99999999\n", {-0.0}, nullptr, std::nullopt},
    {"exponent of 9 digits",
     "1e100000000\n",
     {kKept},
     "exponent field: incomprehensible list input",
     std::nullopt},
    {"exponent with leading zeros", "3e0000000000002\n", {300.0}, nullptr, std::nullopt},
    {"no exponent digit",
     "1e\n",
     {kKept},
     "exponent field: incomprehensible list input",
     std::nullopt},
    {"no digit after exponent sign",
     "1E+ 2\n",
     {kKept},
     "exponent field: incomprehensible list input",
     std::nullopt},
    {"trailing minus",
     "12-\n",
     {kKept},
     "exponent field: incomprehensible list input",
     std::nullopt},
    {"exponent letter without digits before",
     "-e5\n",
     {kKept},
     "invalid number: incomprehensible list input",
     std::nullopt},
    // Range.
    {"overflow", "1e400 -1e400\n", {kInf, -kInf}, nullptr, std::nullopt},
    {"underflow", "1e-400 -1e-400\n", {0.0, -0.0}, nullptr, std::nullopt},
    {"negative zero", "-0 -0.0e5 +0\n", {-0.0, -0.0, 0.0}, nullptr, std::nullopt},
    {"largest double", "1.7976931348623157e308\n", {1.7976931348623157e308}, nullptr, std::nullopt},
    {"just beyond largest", "1.7976931348623159e308\n", {kInf}, nullptr, std::nullopt},
    {"smallest subnormal",
     "4.9406564584124654e-324 2.5e-324 2.4e-324\n",
     {4.9406564584124654e-324, 4.9406564584124654e-324, 0.0},
     nullptr,
     std::nullopt},
    {"subnormal", "1e-310\n", {1e-310}, nullptr, std::nullopt},
    // Significant digits.
    {"leading zeros dropped",
     "000000000000000000000000000000000000000000000000001.5 "
     "0.00000000000000000000000000000000000000000000000000025\n",
     {1.5, 2.5e-52},
     nullptr,
     std::nullopt},
    {"40 digits kept, 41st raises the power",
     "1234567890123456789012345678901234567890999\n",
     {1234567890123456789012345678901234567890e3},
     nullptr,
     std::nullopt},
    // Exactly halfway between two doubles once cut to 40 digits: the even one.
    {"41st integer digit cut",
     "90071992547409930000000000000000000000001e-25\n",
     {9007199254740992.0},
     nullptr,
     std::nullopt},
    {"41st fraction digit cut",
     "9007199254740993.0000000000000000000000001\n",
     {9007199254740992.0},
     nullptr,
     std::nullopt},
    {"40th digit rounds up",
     "9007199254740993.000000000000000000000001\n",
     {9007199254740994.0},
     nullptr,
     std::nullopt},
    {"40th digit in D form",
     "9007199254740993.000000000000000000000001D0\n",
     {9007199254740994.0},
     nullptr,
     std::nullopt},
};

TEST_F(FreeReadTest, Reals) {
  for (const RealRow& row : kRealRows) {
    SCOPED_TRACE(row.name);
    open_with(row.bytes);
    double v[4] = {kKept, kKept, kKept, kKept};
    std::string report = failure_of([&] {
      const ReadItem items[] = {real_item(v[0]), real_item(v[1]), real_item(v[2]), real_item(v[3])};
      read_free(kUnit, std::span(items, row.expected.size()), false);
    });
    EXPECT_EQ(first_line(report), row.failure ? row.failure : "no failure");
    for (size_t i = 0; i < row.expected.size(); ++i) {
      EXPECT_TRUE(same_double(row.expected[i], v[i])) << "item " << i;
    }
    if (row.next && !row.failure) {
      double next = kKept;
      read_free(kUnit, {real_item(next)}, false);
      EXPECT_TRUE(same_double(*row.next, next));
    }
  }
}

// ---- Integers ------------------------------------------------------------------------------

struct IntegerRow {
  const char* name;
  std::string bytes;
  int32_t expected;  // -777: kept
  const char* failure;
};

const std::vector<IntegerRow> kIntegerRows = {
    {"words after", "8 periods\n", 8, nullptr},
    {"point", "8.0\n", -777, "invalid integer: read unexpected character"},
    {"point first", ".5\n", -777, "invalid integer: read unexpected character"},
    {"exponent letter", "1e3\n", -777, "invalid integer: read unexpected character"},
    {"exponent letter D", "1D3\n", -777, "invalid integer: read unexpected character"},
    {"sign exponent", "1+2\n", 100, nullptr},
    {"toward zero", "25-1\n", 2, nullptr},
    {"toward zero, negative", "-25-1\n", -2, nullptr},
    {"below one", "-7-1\n", 0, nullptr},
    {"plus sign", "+42,\n", 42, nullptr},
    {"most negative", "-2147483648\n", -2147483647 - 1, nullptr},
    {"no digit", "x\n", -777, "invalid number: incomprehensible list input"},
    {"null", ",\n", -777, nullptr},
};

TEST_F(FreeReadTest, Integers) {
  for (const IntegerRow& row : kIntegerRows) {
    SCOPED_TRACE(row.name);
    open_with(row.bytes);
    int32_t v = -777;
    std::string report = failure_of([&] { read_free(kUnit, {integer_item(v)}, false); });
    EXPECT_EQ(first_line(report), row.failure ? row.failure : "no failure");
    EXPECT_EQ(v, row.expected);
  }
}

// A command-line value is one number item on its own: the same bits as a line of a file, and
// nothing else in the text.
TEST_F(FreeReadTest, TextAsOneNumberItem) {
  struct Row {
    const char* text;
    bool integer;
    NumberTextOutcome outcome;
  };
  const Row rows[] = {
      {"0.1", false, NumberTextOutcome::completed},
      {"-2.5E-3", false, NumberTextOutcome::completed},
      {"1.0-2", false, NumberTextOutcome::completed},
      {"9007199254740993.000000000000000000000001D0", false, NumberTextOutcome::completed},
      {"1e400", false, NumberTextOutcome::completed},
      {"1+2", true, NumberTextOutcome::completed},
      {"0,1", false, NumberTextOutcome::trailing},
      {"0.1V", false, NumberTextOutcome::trailing},
      {"0.1 ", false, NumberTextOutcome::trailing},
      {"", false, NumberTextOutcome::not_a_number},
      {" 0.1", false, NumberTextOutcome::not_a_number},
      {"3*0.5", false, NumberTextOutcome::not_a_number},
      {"1e", false, NumberTextOutcome::not_a_number},
      {"50.0", true, NumberTextOutcome::not_whole},
      {"5e1", true, NumberTextOutcome::not_whole},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    double real = kKept, from_line = kKept;
    int32_t whole = -777, whole_from_line = -777;
    ReadItem item = row.integer ? integer_item(whole) : real_item(real);
    ASSERT_EQ(read_free_number(row.text, item), row.outcome);
    if (row.outcome != NumberTextOutcome::completed) {
      EXPECT_TRUE(same_double(kKept, real));
      EXPECT_EQ(whole, -777);
      continue;
    }
    open_with(std::string(row.text) + "\n");
    read_free(kUnit, {row.integer ? integer_item(whole_from_line) : real_item(from_line)}, false);
    EXPECT_TRUE(same_double(from_line, real));
    EXPECT_EQ(whole_from_line, whole);
  }
}

TEST_F(FreeReadTest, RepeatedValueServesMixedNumberItems) {
  open_with("3*2.75\n");
  double a = kKept, c = kKept;
  int32_t b = -777;
  read_free(kUnit, {real_item(a), integer_item(b), real_item(c)}, false);
  EXPECT_EQ(a, 2.75);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, 2.75);
}

// ---- Texts ---------------------------------------------------------------------------------

struct TextRow {
  const char* name;
  std::string bytes;
  std::vector<std::string> expected;  // contents before the blanks; "~" keeps "~~~..."
  const char* failure;
  std::optional<std::string> next;  // the next one-text read
};

const std::vector<TextRow> kTextRows = {
    // The worked examples.
    {"CR belongs to the name", "in.txt\r\nx\n", {"in.txt\r"}, nullptr, "x"},
    {"LF only", "in.txt\nx\n", {"in.txt"}, nullptr, "x"},
    {"empty line skipped", "\nin.txt\nx\n", {"in.txt"}, nullptr, "x"},
    {"CR alone", "\r\nx\n", {"\r"}, nullptr, "x"},
    {"quoted with blank", "'my file.txt', 2\nx\n", {"my file.txt"}, nullptr, "x"},
    // Unquoted and quoted forms.
    {"ends at comma", "ab,cd\n", {"ab", "cd"}, nullptr, std::nullopt},
    {"ends at slash", "ab/cd\nx\n", {"ab", "~"}, nullptr, "x"},
    {"ends at tab", "ab\tcd\n", {"ab", "cd"}, nullptr, std::nullopt},
    {"quote inside unquoted", "it's\n", {"it's"}, nullptr, std::nullopt},
    {"doubled apostrophe", "'it''s'\n", {"it's"}, nullptr, std::nullopt},
    {"doubled double quote", "\"a\"\"b\"\n", {"a\"b"}, nullptr, std::nullopt},
    {"other quote inside", "'say \"hi\"'\n", {"say \"hi\""}, nullptr, std::nullopt},
    {"empty quoted", "'' x\n", {"", "x"}, nullptr, std::nullopt},
    {"byte after closing quote", "'ab'cd\n", {"ab", "cd"}, nullptr, std::nullopt},
    {"line feed inside dropped", "'ab\ncd' x\n", {"abcd", "x"}, nullptr, std::nullopt},
    {"backslash keeps line feed", "'ab\\\ncd'\n", {"ab\ncd"}, nullptr, std::nullopt},
    {"only the first line feed kept", "'ab\\\n\ncd'\n", {"ab\ncd"}, nullptr, std::nullopt},
    {"CR inside quoted", "'ab\r\ncd'\n", {"ab\rcd"}, nullptr, std::nullopt},
    // Digits first.
    {"digits as text", "12 x\n", {"12", "x"}, nullptr, std::nullopt},
    {"digits then letters", "12abc\n", {"12abc"}, nullptr, std::nullopt},
    {"repeat of text", "2*abc x\n", {"abc", "abc", "x"}, nullptr, std::nullopt},
    {"repeat of quoted text", "2*'a b'\n", {"a b", "a b"}, nullptr, std::nullopt},
    {"zero count is text", "0*abc\n", {"0*abc"}, nullptr, std::nullopt},
    {"null repeat of text", "2* x\n", {"~", "~", "x"}, nullptr, std::nullopt},
    {"null repeat by comma", "2*,x\n", {"~", "~", "x"}, nullptr, std::nullopt},
    // A line feed right after the count is not among the null bytes of a text: an empty text.
    {"empty text after count", "2*\nx\n", {"", ""}, nullptr, "x"},
    {"null text", ",x\n", {"~", "x"}, nullptr, std::nullopt},
    {"text of 80",
     std::string(70, 'a') + "bcdefghijk\n",
     {std::string(70, 'a') + "bc"},
     nullptr,
     std::nullopt},
    {"text of 5", "abcde\n", {"abcde"}, nullptr, std::nullopt},
    {"bytes above 127", "\xe9t\xe9\n", {"\xe9t\xe9"}, nullptr, std::nullopt},
};

TEST_F(FreeReadTest, Texts) {
  for (const TextRow& row : kTextRows) {
    SCOPED_TRACE(row.name);
    open_with(row.bytes);
    std::vector<std::string> t(row.expected.size(), std::string(72, '~'));
    std::string report = failure_of([&] {
      std::vector<ReadItem> items;
      for (std::string& text : t) items.push_back(text_item(text.data(), 72));
      read_free(kUnit, items, false);
    });
    EXPECT_EQ(first_line(report), row.failure ? row.failure : "no failure");
    for (size_t i = 0; i < t.size(); ++i) {
      std::string want = row.expected[i] == "~" ? std::string(72, '~') : padded(row.expected[i]);
      EXPECT_EQ(t[i], want) << "item " << i;
    }
    if (row.next && !row.failure) {
      std::string next(72, '~');
      read_free(kUnit, {text_item(next.data(), 72)}, false);
      EXPECT_EQ(next, padded(*row.next));
    }
  }
}

TEST_F(FreeReadTest, RepeatedTextServesTargetsOfEveryLength) {
  open_with("2*abcdefghij\n");
  char shorter[4];
  char longer[12];
  read_free(kUnit, {text_item(shorter, 4), text_item(longer, 12)}, false);
  EXPECT_EQ(std::string(shorter, 4), "abcd");
  EXPECT_EQ(std::string(longer, 12), "abcdefghij  ");
}

TEST_F(FreeReadTest, TextsAndNumbersOnOneLine) {
  open_with("'out put.zep' 1.5e3 -4\n");
  std::string name(72, '~');
  double v = kKept;
  int32_t k = -777;
  read_free(kUnit, {text_item(name.data(), 72), real_item(v), integer_item(k)}, false);
  EXPECT_EQ(name, padded("out put.zep"));
  EXPECT_EQ(v, 1500.0);
  EXPECT_EQ(k, -4);
}

// ---- Ends of the file ----------------------------------------------------------------------

TEST_F(FreeReadTest, EmptyFileFailsAtFirstItem) {
  open_with("");
  double v = kKept;
  EXPECT_EQ(first_line(failure_of([&] { read_free(kUnit, {real_item(v)}, false); })),
            "list in: end of file");
  open_with("");
  EXPECT_EQ(read_free(kUnit, {real_item(v)}, true), ReadOutcome::end_of_file);
  EXPECT_EQ(v, kKept);
}

TEST_F(FreeReadTest, LastLineWithoutLineFeedCompletes) {
  open_with("1 2 3");
  double v[3] = {kKept, kKept, kKept};
  EXPECT_EQ(read_free(kUnit, {real_item(v[0]), real_item(v[1]), real_item(v[2])}, true),
            ReadOutcome::completed);
  EXPECT_EQ(v[0], 1.0);
  EXPECT_EQ(v[1], 2.0);
  EXPECT_EQ(v[2], 3.0);
  EXPECT_TRUE(detail::unit(kUnit).at_end);
  double w = kKept;
  EXPECT_EQ(read_free(kUnit, {real_item(w)}, true), ReadOutcome::end_of_file);
  EXPECT_EQ(first_line(failure_of([&] { read_free(kUnit, {real_item(w)}, false); })),
            "read start: end of file");
  EXPECT_EQ(w, kKept);
}

TEST_F(FreeReadTest, LastLineEndingInCarriageReturn) {
  // With an end-of-file branch the end met while skipping the CR is reported...
  open_with("1 2 3\r");
  double v[3] = {kKept, kKept, kKept};
  EXPECT_EQ(read_free(kUnit, {real_item(v[0]), real_item(v[1]), real_item(v[2])}, true),
            ReadOutcome::end_of_file);
  EXPECT_EQ(v[2], 3.0);
  // ...without one it is not; the next statement fails at its start.
  open_with("4 5 6\r");
  EXPECT_EQ(read_free(kUnit, {real_item(v[0]), real_item(v[1]), real_item(v[2])}, false),
            ReadOutcome::completed);
  EXPECT_EQ(v[0], 4.0);
  EXPECT_EQ(v[2], 6.0);
  EXPECT_EQ(first_line(failure_of([&] { read_free(kUnit, {real_item(v[0])}, false); })),
            "read start: end of file");
}

TEST_F(FreeReadTest, EndBeforeLastItem) {
  open_with("1 2\n");
  double v[3] = {kKept, kKept, kKept};
  EXPECT_EQ(read_free(kUnit, {real_item(v[0]), real_item(v[1]), real_item(v[2])}, true),
            ReadOutcome::end_of_file);
  EXPECT_EQ(v[0], 1.0);
  EXPECT_EQ(v[1], 2.0);
  EXPECT_EQ(v[2], kKept);

  open_with("1 2");
  EXPECT_EQ(first_line(failure_of([&] {
              read_free(kUnit, {real_item(v[0]), real_item(v[1]), real_item(v[2])}, false);
            })),
            "list in: end of file");
}

TEST_F(FreeReadTest, RepeatCutByEnd) {
  open_with("3*5");
  double v[3] = {kKept, kKept, kKept};
  EXPECT_EQ(read_free(kUnit, {real_item(v[0]), real_item(v[1]), real_item(v[2])}, true),
            ReadOutcome::end_of_file);
  EXPECT_EQ(v[0], 5.0);
  EXPECT_EQ(v[1], kKept);
}

TEST_F(FreeReadTest, RepeatCountWithoutValueAtEnd) {
  open_with("3*");
  double v = kKept;
  EXPECT_EQ(first_line(failure_of([&] { read_free(kUnit, {real_item(v)}, true); })),
            "invalid number: incomprehensible list input");
}

TEST_F(FreeReadTest, EndInsideQuotedText) {
  std::string t(72, '~');
  std::string u(72, '~');
  open_with("'abc");
  EXPECT_EQ(read_free(kUnit, {text_item(t.data(), 72)}, true), ReadOutcome::end_of_file);
  EXPECT_EQ(t, std::string(72, '~'));

  // Not reported without a branch: the statement goes on, and its next item fails.
  open_with("'abc");
  EXPECT_EQ(read_free(kUnit, {text_item(t.data(), 72)}, false), ReadOutcome::completed);
  EXPECT_EQ(t, std::string(72, '~'));
  EXPECT_EQ(first_line(failure_of([&] { read_free(kUnit, {text_item(t.data(), 72)}, false); })),
            "read start: end of file");

  open_with("'abc");
  EXPECT_EQ(first_line(failure_of([&] {
              read_free(kUnit, {text_item(t.data(), 72), text_item(u.data(), 72)}, false);
            })),
            "list in: end of file");
}

TEST_F(FreeReadTest, TextAtEndWithoutLineFeed) {
  open_with("'abc' de");
  std::string t(72, '~');
  std::string u(72, '~');
  EXPECT_EQ(read_free(kUnit, {text_item(t.data(), 72), text_item(u.data(), 72)}, true),
            ReadOutcome::completed);
  EXPECT_EQ(t, padded("abc"));
  EXPECT_EQ(u, padded("de"));
}

TEST_F(FreeReadTest, ErrorsEndTheRunDespiteTheBranch) {
  open_with("1.0 2.0\nTime/s Current/A\n");
  double v[2] = {kKept, kKept};
  EXPECT_EQ(read_free(kUnit, {real_item(v[0]), real_item(v[1])}, true), ReadOutcome::completed);
  EXPECT_EQ(first_line(failure_of([&] {
              read_free(kUnit, {real_item(v[0]), real_item(v[1])}, true);
            })),
            "invalid number: incomprehensible list input");
  open_with("1e\n");
  EXPECT_EQ(first_line(failure_of([&] { read_free(kUnit, {real_item(v[0])}, true); })),
            "exponent field: incomprehensible list input");
}

TEST_F(FreeReadTest, ReadErrorNamesTheSystemText) {
  close_unit(kUnit);
  // A directory opens for reading but cannot be read.
  open_unit(kUnit, dir_.path().c_str(), static_cast<int>(dir_.path().size()));
  double v = kKept;
  EXPECT_EQ(first_line(failure_of([&] { read_free(kUnit, {real_item(v)}, false); })),
            "list in: Is a directory");
  open_unit(kUnit, dir_.path().c_str(), static_cast<int>(dir_.path().size()));
  char line[72];
  EXPECT_EQ(first_line(failure_of([&] { read_text_line(kUnit, line); })), "fmt: Is a directory");
}

// A control file of seven lines read for an eighth value: the whole report.
TEST_F(FreeReadTest, ShortControlFileReport) {
  write_file("vantor.inp", "in.txt\r\nout.zep\r\n0.1\r\n-0.2\r\n0.6\r\n-0.2\r\n10.0\r\n");
  open_unit(1, "vantor.inp", 10);
  rewind_unit(1);
  std::string name(72, ' ');
  double v = kKept;
  read_free(1, {text_item(name.data(), 72)}, false);
  read_free(1, {text_item(name.data(), 72)}, false);
  for (int i = 0; i < 5; ++i) read_free(1, {real_item(v)}, false);
  EXPECT_EQ(v, 10.0);
  int32_t nper = -777;
  std::string report = failure_of([&] { read_free(1, {integer_item(nper)}, false); });
  EXPECT_EQ(report,
            "list in: end of file\n"
            "apparent state: unit 1 named vantor.inp\n"
            "last format: list io\n"
            "lately reading sequential formatted external IO\n");
  EXPECT_EQ(nper, -777);
}

// ---- Conversion ----------------------------------------------------------------------------

// Random numbers of at most 40 significant digits, in every written form, against the C
// library's conversion of the same digits.
TEST_F(FreeReadTest, ConversionAgreesWithStrtod) {
  std::mt19937_64 random(20240607);
  std::string bytes;
  std::vector<std::string> plain;
  const int count = 30000;
  for (int i = 0; i < count; ++i) {
    std::string digits;
    int n = 1 + static_cast<int>(random() % 40);
    for (int k = 0; k < n; ++k) digits += static_cast<char>('0' + random() % 10);
    int point = static_cast<int>(random() % static_cast<uint64_t>(n + 1));
    std::string mantissa = digits.substr(0, static_cast<size_t>(point)) + "." +
                           digits.substr(static_cast<size_t>(point));
    if (random() % 4 == 0) mantissa = digits;  // no point
    int exponent = static_cast<int>(random() % 700) - 360;
    std::string sign = random() % 2 ? "-" : (random() % 3 == 0 ? "+" : "");
    std::string e_form = sign + mantissa + "e" + std::to_string(exponent);
    std::string written;
    switch (random() % 4) {
      case 0:
        written = e_form;
        break;
      case 1:
        written = sign + mantissa + "D" + std::to_string(exponent);
        break;
      case 2:
        written = sign + mantissa + (exponent < 0 ? "" : "+") + std::to_string(exponent);
        break;
      default:
        written = sign + mantissa + "E" + (exponent < 0 ? "" : "+") + std::to_string(exponent);
        break;
    }
    plain.push_back(e_form);
    bytes += written + (random() % 2 ? "\n" : " ,\r\n");
  }
  open_with(bytes);
  for (int i = 0; i < count; ++i) {
    double v = kKept;
    read_free(kUnit, {real_item(v)}, false);
    double expected = std::strtod(plain[static_cast<size_t>(i)].c_str(), nullptr);
    ASSERT_TRUE(same_double(expected, v)) << plain[static_cast<size_t>(i)];
  }
}

// The same token read where it lies whole in the buffer and where it crosses the buffer's end.
TEST_F(FreeReadTest, TokenAcrossBufferEnd) {
  // How many bytes one refill brings.
  open_with("1\n" + std::string(300000, ' ') + "\n");
  double v = kKept;
  read_free(kUnit, {real_item(v)}, false);
  ASSERT_EQ(v, 1.0);
  const size_t chunk = detail::unit(kUnit).len;
  ASSERT_GT(chunk, 100u);

  struct Token {
    std::string text;
    double value;
  };
  const Token tokens[] = {
      {"-1.9999526E-01", -0.19999526},
      {"12345.678e-3", 12.345678},
      {"1.0-2", 0.01},
      {"7", 7.0},
      {"+0.5e0", 0.5},
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
  };
  for (const Token& token : tokens) {
    for (size_t k = 0; k <= token.text.size() + 1; ++k) {
      SCOPED_TRACE(token.text + " starting " + std::to_string(k) + " bytes before the end");
      std::string first = "0" + std::string(chunk - k - 2, ' ') + "\n";
      open_with(first + token.text + "\t42\n43\n");
      double a = kKept, b = kKept, c = kKept;
      read_free(kUnit, {real_item(a)}, false);
      read_free(kUnit, {real_item(b), real_item(c)}, false);
      EXPECT_TRUE(same_double(0.0, a));
      EXPECT_TRUE(same_double(token.value, b));
      EXPECT_EQ(c, 42.0);
      read_free(kUnit, {real_item(c)}, false);
      EXPECT_EQ(c, 43.0);
    }
  }
}

TEST_F(FreeReadTest, ExportLinesReadTwiceWithRewind) {
  std::string bytes;
  for (int i = 0; i < 2000; ++i) bytes += "-1.9999526E-01\t2.5E-05\t" + std::to_string(i) + "\r\n";
  open_with(bytes);
  for (int pass = 0; pass < 2; ++pass) {
    double a, b, c;
    int lines = 0;
    while (read_free(kUnit, {real_item(a), real_item(b), real_item(c)}, true) ==
           ReadOutcome::completed) {
      ASSERT_EQ(a, -0.19999526);
      ASSERT_EQ(b, 2.5e-05);
      ASSERT_EQ(c, static_cast<double>(lines));
      ++lines;
    }
    EXPECT_EQ(lines, 2000);
    rewind_unit(kUnit);
  }
}

// ---- Long lines ----------------------------------------------------------------------------

constexpr size_t kLongLine = 6 * 1024 * 1024;
constexpr size_t kSmallRequest = 256 * 1024;

TEST_F(FreeReadTest, LongTextsCostNoMemory) {
  struct Case {
    const char* name;
    std::string line;
    std::string expected;
  };
  const Case cases[] = {
      {"unquoted", "ab" + std::string(kLongLine, 'x') + "\n", "ab" + std::string(70, 'x')},
      {"quoted", "'ab" + std::string(kLongLine, 'x') + "'\n", "ab" + std::string(70, 'x')},
      {"digits", "12" + std::string(kLongLine, '3') + "\n", "12" + std::string(70, '3')},
      {"blanks before", std::string(kLongLine, ' ') + "ab\n", "ab" + std::string(70, ' ')},
      {"rest of line", "ab " + std::string(kLongLine, 'x') + "\n", "ab" + std::string(70, ' ')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    open_with(c.line + "next\n");
    std::string t(72, '~');
    g_largest_request = 0;
    g_tracking = true;
    read_free(kUnit, {text_item(t.data(), 72)}, false);
    g_tracking = false;
    EXPECT_LT(g_largest_request, kSmallRequest);
    EXPECT_EQ(t, c.expected);
    read_free(kUnit, {text_item(t.data(), 72)}, false);
    EXPECT_EQ(t, padded("next"));
  }
}

TEST_F(FreeReadTest, LongNumberLines) {
  open_with("1" + std::string(kLongLine, '0') + " 2\n" + "0." + std::string(kLongLine, '0') +
            "15\n");
  double a = kKept, b = kKept;
  read_free(kUnit, {real_item(a), real_item(b)}, false);
  EXPECT_EQ(a, kInf);
  EXPECT_EQ(b, 2.0);
  read_free(kUnit, {real_item(a)}, false);
  EXPECT_TRUE(same_double(0.0, a));
}

// ---- Fixed-width line read -----------------------------------------------------------------

TEST_F(FreeReadTest, LineRead) {
  struct Row {
    const char* name;
    std::string bytes;
    std::string expected;  // 72 bytes
    const char* failure;
    std::optional<std::string> next;  // the next line read
  };
  const std::string hundred = std::string(71, 'a') + "b" + std::string(28, 'c');
  const Row rows[] = {
      {"CR LF", "in.txt\r\nx\n", padded("in.txt\r"), nullptr, padded("x")},
      {"LF", "in.txt\nx\n", padded("in.txt"), nullptr, padded("x")},
      {"empty line", "\nx\n", padded(""), nullptr, padded("x")},
      {"blanks and tabs kept", "  a\tb ,/\nx\n", padded("  a\tb ,/"), nullptr, padded("x")},
      {"cut at 72", hundred + "\nx\n", std::string(71, 'a') + "b", nullptr, padded("x")},
      {"exactly 72 then end", std::string(72, 'z'), std::string(72, 'z'), nullptr, std::nullopt},
      {"short last line", "abc", std::string(72, '~'), "fmt: end of file", std::nullopt},
      {"empty file", "", std::string(72, '~'), "fmt: end of file", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    open_with(row.bytes);
    std::string t(72, '~');
    std::string report = failure_of([&] { read_text_line(kUnit, t.data()); });
    EXPECT_EQ(first_line(report), row.failure ? row.failure : "no failure");
    if (!row.failure) {
      EXPECT_EQ(t, row.expected);
    }
    if (row.next) {
      read_text_line(kUnit, t.data());
      EXPECT_EQ(t, *row.next);
    }
  }
}

TEST_F(FreeReadTest, LineReadAfterEndFailsAtStart) {
  open_with(std::string(72, 'z'));
  std::string t(72, '~');
  read_text_line(kUnit, t.data());
  EXPECT_TRUE(detail::unit(kUnit).at_end);
  EXPECT_EQ(first_line(failure_of([&] { read_text_line(kUnit, t.data()); })),
            "read start: end of file");
}

TEST_F(FreeReadTest, LineReadReport) {
  write_file("colbrand.inp", "a\n");
  open_unit(3, "colbrand.inp", 12);
  rewind_unit(3);
  std::string t(72, '~');
  read_text_line(3, t.data());
  std::string report = failure_of([&] { read_text_line(3, t.data()); });
  EXPECT_EQ(report,
            "fmt: end of file\n"
            "apparent state: unit 3 named colbrand.inp\n"
            "last format: (A72)\n"
            "lately reading sequential formatted external IO\n");
}

TEST_F(FreeReadTest, LineReadThenFreeRead) {
  open_with("header line 1 2\n3 4\n");
  std::string t(72, '~');
  read_text_line(kUnit, t.data());
  EXPECT_EQ(t, padded("header line 1 2"));
  double a = kKept, b = kKept;
  read_free(kUnit, {real_item(a), real_item(b)}, false);
  EXPECT_EQ(a, 3.0);
  EXPECT_EQ(b, 4.0);
}

TEST_F(FreeReadTest, LongLineReadCostsNoMemory) {
  open_with(std::string(kLongLine, 'q') + "\nnext\n");
  std::string t(72, '~');
  g_largest_request = 0;
  g_tracking = true;
  read_text_line(kUnit, t.data());
  g_tracking = false;
  EXPECT_LT(g_largest_request, kSmallRequest);
  EXPECT_EQ(t, std::string(72, 'q'));
  read_text_line(kUnit, t.data());
  EXPECT_EQ(t, padded("next"));
}

}  // namespace
}  // namespace convkit
