// The format parser: what it refuses. What an accepted format lays out is seen through the
// statements that write with it.
#include "common/recordio/format_parse.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace convkit {
namespace {

TEST(ParseFormat, Malformed) {
  const char* cases[] = {
      "",
      "A14",
      "(A14",
      "(A14))",
      "(A14,)",
      "()",
      "(,A1)",
      "(A)",
      "(X)",
      "(0X)",
      "(A0)",
      "(E13)",
      "(E13.)",
      "(E13.0)",
      "(E.6)",
      "(2A14)",
      "(3I1)",
      "(Q1)",
      "(A14) x",
      "(A14)(A1)",
      "(0(A1))",
      "(1000001X)",
      "(A99999999999)",
      "(A1 I1)",
      "(A1;I1)",
      "((A1)",
      "(A1))",
      "(-1X)",
      "(A1,2())",
      "(E1.1000001)",
      "(1000(1001(1X)),I1)",
  };
  for (const char* c : cases) {
    EXPECT_THROW(parse_format(c), std::invalid_argument) << c;
  }
}

TEST(ParseFormat, NestingBound) {
  std::string ok = "(" + std::string(32, '(') + "I1" + std::string(32, ')') + ")";
  EXPECT_NO_THROW(parse_format(ok));
  std::string deep = "(" + std::string(33, '(') + "I1" + std::string(33, ')') + ")";
  EXPECT_THROW(parse_format(deep), std::invalid_argument);
}

}  // namespace
}  // namespace convkit
