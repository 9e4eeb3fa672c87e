// Formats and formatted write statements: the parse, the walk (skips, reversion, the end of a
// statement) and whole records on a real file and in a text.
#include "common/recordio/format_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/run_capture.h"

namespace convkit {
namespace {

using std::string_literals::operator""s;
using testkit::read_file;

// ---- write_formatted ---------------------------------------------------------------------

class FormattedWriteTest : public testkit::WrittenFileTest {
 protected:
  FormattedWriteTest() : WrittenFileTest("out.txt") {}
};

TEST_F(FormattedWriteTest, WholeRecords) {
  const Format label = parse_format("(A14,1X,D13.6)");
  const Format scans = parse_format("(A6,2X,I1)");
  const Format data = parse_format("(3(E13.6,2x))");
  write_formatted(kOut, label, {text_out("Start(mV):    "), real_out(-500.0)});
  write_formatted(kOut, label, {text_out("Start(mV):    "), real_out(500.0)});
  write_formatted(kOut, scans, {text_out("Scans:"), int_out(1)});
  write_formatted(kOut, data, {real_out(0.001), real_out(0.5), real_out(-1.0e-6)});
  EXPECT_EQ(written(),
            "Start(mV):     -0.500000E+03\n"
            "Start(mV):      0.500000E+03\n"
            "Scans:  1\n"
            " 0.100000E-02   0.500000E+00  -0.100000E-05\n");
}

struct StatementCase {
  const char* format;
  std::vector<WriteItem> items;
  std::string file;
};

TEST_F(FormattedWriteTest, Statements) {
  const StatementCase cases[] = {
      // Three, four and two values to the data format: 43, 43 + 13 and 28 characters.
      {"(3(E13.6,2x))",
       {real_out(1.0), real_out(2.0), real_out(3.0)},
       " 0.100000E+01   0.200000E+01   0.300000E+01\n"},
      {"(3(E13.6,2x))",
       {real_out(1.0), real_out(2.0), real_out(3.0), real_out(-4.0)},
       " 0.100000E+01   0.200000E+01   0.300000E+01\n"
       "-0.400000E+01\n"},
      {"(3(E13.6,2x))", {real_out(1.0), real_out(2.0)}, " 0.100000E+01   0.200000E+01\n"},
      // The text alone: the blank of the 1X never appears.
      {"(A14,1X,D13.6)", {text_out("Scans:        ")}, "Scans:        \n"},
      // D forms with the letter E; a 4-byte real is widened exactly.
      {"(A14,1X,D13.6)",
       {text_out("Initial(mS):  "), real4_out(10000.0f)},
       "Initial(mS):    0.100000E+05\n"},
      {"(A14,1X,D13.6)",
       {text_out("Pre(mV):      "), real4_out(0.0f)},
       "Pre(mV):        0.000000E+00\n"},
      {"(A14,1X,D13.6)", {text_out("x"), real4_out(0.1f)}, "             x  0.100000E+00\n"},
      {"(D13.6)", {real_out(-0.0)}, " 0.000000E+00\n"},
      {"(E13.6)", {real_out(1.0e-101)}, " 0.100000-100\n"},
      {"(A6,2X,I1)", {text_out("Scans:"), int_out(10)}, "Scans:  *\n"},
      {"(A6,2X,I1)", {text_out("Scans:"), int_out(-1)}, "Scans:  *\n"},
      {"(A6,2X,I1)", {text_out("Scans:"), int_out(0)}, "Scans:  0\n"},
      {"(A6)", {text_out("Average:")}, "Averag\n"},
      {"(A14)", {text_out("Scans:")}, "        Scans:\n"},
      {"(A5)", {text_out("a\0b\0c", 5)}, "a\0b\0c\n"s},
      {"(A14)", {text_out("cvsin_type_2  ")}, "cvsin_type_2  \n"},
      // No items: one empty record.
      {"(A14)", {}, "\n"},
      // Reversion to the last group directly inside the outer parentheses, with its count.
      {"(A1,2(I1))", {text_out("x"), int_out(1), int_out(2), int_out(3), int_out(4)}, "x12\n34\n"},
      {"(A1,2(I1))", {text_out("x"), int_out(1), int_out(2), int_out(3)}, "x12\n3\n"},
      // Without a group, reversion goes to the start of the format.
      {"(I1,1X,I2)", {int_out(1), int_out(2), int_out(3)}, "1  2\n3\n"},
      // The pending skip is dropped at reversion.
      {"(I1,3X)", {int_out(1), int_out(2)}, "1\n2\n"},
      // ... and written before the next field.
      {"(2X,I1,3X,I1,4X)", {int_out(1), int_out(2)}, "  1   2\n"},
      // Skips in nested groups add up.
      {"(I1,2(1X,2(1X)),I1)", {int_out(1), int_out(2)}, "1      2\n"},
      // A format without data descriptors, or none from the reversion point on, cannot take
      // the items: the statement ends.
      {"(5X)", {int_out(1)}, "\n"},
      {"(I1,(2X))", {int_out(1), int_out(2), int_out(3)}, "1\n"},
      // Items a descriptor cannot form show as asterisks; E takes an integer as a real.
      {"(I3,A2,E13.6)", {real_out(1.0), int_out(1), text_out("x")}, "******************\n"},
      {"(E13.6)", {int_out(-3)}, "-0.300000E+01\n"},
      // Letters in either case, blanks anywhere, leading zeros in a count.
      {"( a 1 4 , 1 x , d1 3 . 6 )",
       {text_out("Rate(mV/s):"), real_out(2.5)},
       "   Rate(mV/s):  0.250000E+01\n"},
      {"(e9.2,i2,00002X,I1)", {real_out(1.0), int_out(7), int_out(8)}, " 0.10E+01 7  8\n"},
      // Reversion to the last group directly inside the outer parentheses, not a nested one.
      {"(I1,2(I2,(I3)),A1)",
       {int_out(1), int_out(2), int_out(3), int_out(4), int_out(5), text_out("x"), int_out(6)},
       "1 2  3 4  5x\n 6\n"},
      // A group of skips is one skip, however deep and however often repeated.
      {"(I1,2(2(1X),3X),I1)", {int_out(1), int_out(2)}, "1          2\n"},
      {"(1000(1000(1X)),I1)", {int_out(5)}, std::string(1000000, ' ') + "5\n"},
  };
  int i = 0;
  for (const StatementCase& c : cases) {
    // Each statement into a file of its own.
    const std::string name = "case" + std::to_string(i++) + ".txt";
    open_unit(kOut, name.data(), static_cast<int>(name.size()));
    rewind_unit(kOut);
    write_formatted(kOut, parse_format(c.format), c.items);
    close_unit(kOut);
    EXPECT_EQ(read_file(name), c.file) << c.format;
  }
}

TEST_F(FormattedWriteTest, RecordsLongerThanAnyBuffer) {
  const Format f = parse_format("(A300000,I2)");
  std::string text(300000, 'q');
  text[0] = 'a';
  text[299999] = 'z';
  write_formatted(kOut, f, {text_out(text.data(), static_cast<int>(text.size())), int_out(42)});
  write_formatted(kOut, f, {text_out("b"), int_out(7)});
  std::string file = written();
  ASSERT_EQ(file.size(), 300003u + 300003u);
  EXPECT_EQ(file.substr(0, 300003), text + "42\n");
  EXPECT_EQ(file.substr(300003), std::string(299999, ' ') + "b 7\n");
}

TEST_F(FormattedWriteTest, TheFormatIsCurrentOnlyDuringTheStatement) {
  const Format f = parse_format("(I1)");
  write_formatted(kOut, f, {int_out(1)});
  const StatementState& state = statement_state();
  EXPECT_EQ(state.unit, kOut);
  EXPECT_TRUE(state.writing);
  EXPECT_FALSE(state.internal);
  EXPECT_FALSE(state.in_progress);
  EXPECT_TRUE(state.format.empty());
}

TEST_F(FormattedWriteTest, AnUnconnectedUnitFailsAtWriteStart) {
  const Format f = parse_format("(I1)");
  std::string report = testkit::failure_of([&] { write_formatted(40, f, {int_out(1)}); });
  EXPECT_EQ(report.rfind("write start: ", 0), 0u) << report;
  EXPECT_NE(report.find("last format: (I1)\n"), std::string::npos) << report;
}

// ---- write_internal ----------------------------------------------------------------------

// The target sits between sentinels that must survive.
std::string internal(const char* format, int length, const std::vector<WriteItem>& items) {
  std::string buffer = "<<" + std::string(static_cast<size_t>(length), '#') + ">>";
  write_internal(buffer.data() + 2, length, parse_format(format), items);
  EXPECT_EQ(buffer.substr(0, 2), "<<");
  EXPECT_EQ(buffer.substr(buffer.size() - 2), ">>");
  return buffer.substr(2, static_cast<size_t>(length));
}

TEST(WriteInternal, OneDigit) {
  const char* digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  for (int v = 0; v <= 9; ++v) EXPECT_EQ(internal("(I1)", 1, {int_out(v)}), digits[v]);
  EXPECT_EQ(internal("(I1)", 1, {int_out(10)}), "*");
  EXPECT_EQ(internal("(I1)", 1, {int_out(-1)}), "*");
  EXPECT_EQ(internal("(I1)", 1, {int_out(INT_MIN)}), "*");
}

TEST(WriteInternal, IntoAHeaderLabel) {
  char label[] = "Phase0(deg):  ";
  write_internal(label + 5, 1, parse_format("(I1)"), {int_out(7)});
  EXPECT_EQ(std::string(label), "Phase7(deg):  ");
}

struct InternalCase {
  const char* format;
  int length;
  std::vector<WriteItem> items;
  std::string target;
};

TEST(WriteInternal, Records) {
  const InternalCase cases[] = {
      {"(I1)", 3, {int_out(7)}, "7  "},  // blank-filled
      {"(A2)", 4, {text_out("ab")}, "ab  "},
      {"(A6)", 4, {text_out("abcdef")}, "abcd"},  // the rest is dropped
      {"(E13.6)", 5, {real_out(1.5)}, " 0.15"},
      {"(1X,A2,2X)", 6, {text_out("ab")}, " ab   "},
      {"(4X,A3)", 5, {text_out("xyz")}, "    x"},
      {"(6X,A3)", 5, {text_out("xyz")}, "     "},
      {"(I1)", 3, {int_out(1), int_out(2)}, "1  "},  // one record only
      {"(I1)", 3, {}, "   "},
      {"(A1)", 0, {text_out("a")}, ""},
      {"(I1,1000(1000(1X)),I1)", 3, {int_out(1), int_out(2)}, "1  "},
      {"(A1000000)", 3, {text_out("abc")}, "   "},  // the field's leading blanks
      {"(E1000000.999990)", 3, {real_out(1.0)}, "   "},
      {"(E999997.999990)", 2, {real_out(-1.0)}, "-0"},
  };
  for (const InternalCase& c : cases) {
    EXPECT_EQ(internal(c.format, c.length, c.items), c.target) << c.format;
  }
}

TEST(WriteInternal, MarksTheStatementInternal) {
  char target[1];
  write_internal(target, 1, parse_format("(I1)"), {int_out(3)});
  const StatementState& state = statement_state();
  EXPECT_TRUE(state.internal);
  EXPECT_TRUE(state.writing);
  EXPECT_FALSE(state.in_progress);
  EXPECT_TRUE(state.format.empty());
}

}  // namespace
}  // namespace convkit
