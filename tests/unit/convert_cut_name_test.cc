// The name cut of the control files.
#include "common/convert/cut_name.h"

#include <gtest/gtest.h>

#include <string>

namespace convkit {
namespace {

TEST(CutName, DropsTheCharacterBeforeTheFirstBlank) {
  auto line = [](std::string content) {
    content.resize(kLineLength, ' ');
    return content;
  };
  struct Case {
    std::string content;
    int length;
  };
  const Case cases[] = {
      {"in.txt\r", 6},
      {"in.txt", 5},
      {"x", 1},
      {"ab", 1},
      {"a b\r", 3},
      {" name", -1},
      {"", -1},
      {std::string(72, 'z'), 0},
      {std::string(71, 'z'), 70},
  };
  for (const Case& c : cases) EXPECT_EQ(cut_name(line(c.content).data()), c.length) << c.content;
}

}  // namespace
}  // namespace convkit
