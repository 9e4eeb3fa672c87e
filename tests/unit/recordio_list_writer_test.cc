// Console lines, shell words and the name cut: byte-exact forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/recordio/list_writer.h"
#include "common/recordio/shell.h"
#include "scratch_dir.h"

namespace convkit {
namespace {

TEST(ListLines, WorkedExamples) {
  EXPECT_EQ(list_lines({}), "\n");
  EXPECT_EQ(list_lines({list_text("Found"), list_int(123), list_text(" data points")}),
            " Found 123 data points\n");
  EXPECT_EQ(list_lines({list_text("Header length ="), list_int(12)}), " Header length = 12\n");
  EXPECT_EQ(list_lines({list_text("Determined delt ="), list_real(0.001)}),
            " Determined delt =  0.001\n");
  EXPECT_EQ(
      list_lines({list_text("AC signal of amplitude,freq ="), list_real(10.0), list_real(0.25)}),
      " AC signal of amplitude,freq =  10.  0.25\n");
  EXPECT_EQ(list_lines({list_real(1000.0), list_real(-2.0), list_real(0.0)}), "  1000. -2.  0.\n");
  EXPECT_EQ(list_lines({list_real(1.0 / 3.0), list_real(1.0e-5), list_real(1.5e-6)}),
            "  0.333333333  1.E-05  1.5E-06\n");
  EXPECT_EQ(list_lines({list_real(1234567890.0), list_real(123456789.0)}),
            "  1.23456789E+09  123456789.\n");
  EXPECT_EQ(list_lines({list_int(0), list_int(-5)}), " 0 -5\n");
  EXPECT_EQ(list_lines({list_text("", 0)}), " \n");
}

TEST(ListLines, RealForms) {
  struct Case {
    double x;
    const char* text;
  };
  const Case cases[] = {
      {-0.0, "  0."},
      {1.0e-5, "  1.E-05"},
      {100.0, "  100."},
      {0.1 + 0.2, "  0.3"},
      {3.125, "  3.125"},
      {1.6 / 100.1, "  0.015984016"},
      {1.0e-4, "  0.0001"},
      {123456789.4, "  123456789."},
      {999999999.6, "  1.E+09"},
      {-2.5e-300, " -2.5E-300"},
      {std::numeric_limits<double>::infinity(), "  INF"},
      {-std::numeric_limits<double>::infinity(), " -INF"},
      {std::nan(""), "  NAN"},
      {-std::nan(""), "  NAN"},
  };
  for (const Case& c : cases) EXPECT_EQ(list_real_text(c.x), c.text) << c.x;
}

TEST(ListLines, EightyColumnRule) {
  std::string seventy(70, 'a');
  EXPECT_EQ(list_lines({list_text(seventy), list_text("123456789")}),
            " " + seventy + "\n 123456789\n");
  std::string line77(76, 'b');  // 77 with its leading blank
  EXPECT_EQ(list_lines({list_text(line77), list_int(12)}), " " + line77 + " 12\n");
  std::string line78(77, 'c');
  EXPECT_EQ(list_lines({list_text(line78), list_int(12)}), " " + line78 + "\n 12\n");
  std::string long_text(100, 'd');
  EXPECT_EQ(list_lines({list_text(long_text)}), " " + long_text + "\n");
}

TEST(ShellWord, PlainNamesStayQuotedOthersDoNot) {
  struct Case {
    const char* name;
    const char* word;
  };
  const Case cases[] = {
      {"out.txt", "out.txt"},
      {"a-b_c+d,e:f@g%h/i=j.zep", "a-b_c+d,e:f@g%h/i=j.zep"},
      {"o;touch${IFS}x", "'o;touch${IFS}x'"},
      {"o$(touch${IFS}x)", "'o$(touch${IFS}x)'"},
      {"it's", "'it'\\''s'"},
      {"a b", "'a b'"},
      {"*", "'*'"},
      {"-o.txt", "./-o.txt"},
      {"-o x", "./'-o x'"},
  };
  for (const Case& c : cases) EXPECT_EQ(shell_word(c.name), c.word) << c.name;
}

TEST(RunShell, PassesExactlyTheGivenLengthCutAtAZeroByte) {
  testing::ScratchDir dir;
  const char command[] = "echo hi >a.txt; echo no >b.txt";
  run_shell(command, 14);
  EXPECT_EQ(testing::read_file("a.txt"), "hi\n");
  EXPECT_FALSE(std::filesystem::exists("b.txt"));
  const char with_zero[] = "echo hi >c.txt\0; echo no >d.txt";
  run_shell(with_zero, sizeof with_zero - 1);
  EXPECT_TRUE(std::filesystem::exists("c.txt"));
  EXPECT_FALSE(std::filesystem::exists("d.txt"));
  EXPECT_NE(run_shell("exit 3", 6), 0);  // a failing command only gives its status
}

}  // namespace
}  // namespace convkit
