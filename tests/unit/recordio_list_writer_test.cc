// Console lines: byte-exact forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/recordio/list_writer.h"

namespace convkit {
namespace {

TEST(ListLines, WorkedExamples) {
  EXPECT_EQ(list_lines({}), "\n");
  EXPECT_EQ(list_lines({text_out("Found"), int_out(123), text_out(" data points")}),
            " Found 123 data points\n");
  EXPECT_EQ(list_lines({text_out("Header length ="), int_out(12)}), " Header length = 12\n");
  EXPECT_EQ(list_lines({text_out("Determined delt ="), real_out(0.001)}),
            " Determined delt =  0.001\n");
  EXPECT_EQ(list_lines({text_out("AC signal of amplitude,freq ="), real_out(10.0), real_out(0.25)}),
            " AC signal of amplitude,freq =  10.  0.25\n");
  EXPECT_EQ(list_lines({real_out(1000.0), real_out(-2.0), real_out(0.0)}), "  1000. -2.  0.\n");
  EXPECT_EQ(list_lines({real_out(1.0 / 3.0), real_out(1.0e-5), real_out(1.5e-6)}),
            "  0.333333333  1.E-05  1.5E-06\n");
  EXPECT_EQ(list_lines({real_out(1234567890.0), real_out(123456789.0)}),
            "  1.23456789E+09  123456789.\n");
  EXPECT_EQ(list_lines({int_out(0), int_out(-5)}), " 0 -5\n");
  EXPECT_EQ(list_lines({text_out("", 0)}), " \n");
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
  EXPECT_EQ(list_lines({text_out(seventy), text_out("123456789")}),
            " " + seventy + "\n 123456789\n");
  std::string line77(76, 'b');  // 77 with its leading blank
  EXPECT_EQ(list_lines({text_out(line77), int_out(12)}), " " + line77 + " 12\n");
  std::string line78(77, 'c');
  EXPECT_EQ(list_lines({text_out(line78), int_out(12)}), " " + line78 + "\n 12\n");
  std::string long_text(100, 'd');
  EXPECT_EQ(list_lines({text_out(long_text)}), " " + long_text + "\n");
}

}  // namespace
}  // namespace convkit
