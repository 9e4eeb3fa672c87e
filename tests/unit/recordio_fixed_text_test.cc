// Fixed-length texts: assignment, blank-padded equality, concatenation.
#include "common/recordio/fixed_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace convkit {
namespace {

struct AssignRow {
  const char* name;
  int target_length;
  std::string source;
  std::string expected;
};

TEST(FixedTextTest, Assign) {
  const AssignRow rows[] = {
      {"shorter source", 8, "abc", "abc     "},
      {"longer source", 3, "abcdef", "abc"},
      {"same length", 4, "wxyz", "wxyz"},
      {"empty source", 3, "", "   "},
      {"trailing blanks kept", 6, "a  ", "a     "},
      {"CR is a byte", 4, "in\r", "in\r "},
      {"72 from 80", 72, std::string(70, 'a') + "bcdefghijk", std::string(70, 'a') + "bc"},
      {"72 from 5", 72, "abcde", "abcde" + std::string(67, ' ')},
  };
  for (const AssignRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string target(static_cast<size_t>(row.target_length), '~');
    text_assign(target.data(), row.target_length, row.source.data(),
                static_cast<int>(row.source.size()));
    EXPECT_EQ(target, row.expected);
  }
}

TEST(FixedTextTest, AssignOverlapping) {
  // The source lies behind the target's start...
  std::string a = "..abcdef";
  text_assign(a.data(), 6, a.data() + 2, 6);
  EXPECT_EQ(a, "abcdefef");
  // ...and ahead of it, shorter, so blanks follow.
  std::string b = "abcdef..";
  text_assign(b.data() + 2, 6, b.data(), 4);
  EXPECT_EQ(b, "ababcd  ");
}

struct EqualRow {
  std::string a;
  std::string b;
  bool equal;
};

TEST(FixedTextTest, Equal) {
  const EqualRow rows[] = {
      {"number", "number" + std::string(66, ' '), true},
      {"Number", "number" + std::string(66, ' '), false},
      {"number" + std::string(66, ' '), "number", true},
      {"numbers", "number" + std::string(66, ' '), false},
      {"", "   ", true},
      {"", "", true},
      {"ab", "ab\t", false},
      {"ab", std::string("ab\0", 3), false},
      {"ab", "ab\r", false},
      {"\xe9", "\xe9", true},
      {"\xe9", "\x69", false},
      {"\x80", " ", false},
      {"abc", "abd", false},
  };
  for (const EqualRow& row : rows) {
    SCOPED_TRACE("'" + row.a + "' vs '" + row.b + "'");
    EXPECT_EQ(text_equal(row.a.data(), static_cast<int>(row.a.size()), row.b.data(),
                         static_cast<int>(row.b.size())),
              row.equal);
    EXPECT_EQ(text_equal(row.b.data(), static_cast<int>(row.b.size()), row.a.data(),
                         static_cast<int>(row.a.size())),
              row.equal);
  }
}

struct ConcatRow {
  const char* name;
  int target_length;
  std::vector<std::string_view> parts;
  std::string expected;
};

TEST(FixedTextTest, Concat) {
  const ConcatRow rows[] = {
      {"fits with blanks", 10, {"ab", "cd"}, "abcd      "},
      {"cut in second part", 10, {"abcdef", "ghijkl"}, "abcdefghij"},
      {"cut in first part", 4, {"abcdef", "gh"}, "abcd"},
      {"exactly full", 4, {"ab", "cd"}, "abcd"},
      {"no parts", 3, {}, "   "},
      {"empty parts", 3, {"", "x", ""}, "x  "},
      {"command line", 15, {"unix2dos ", "out.zp"}, "unix2dos out.zp"},
  };
  for (const ConcatRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string target(static_cast<size_t>(row.target_length), '~');
    text_concat(target.data(), row.target_length, row.parts);
    EXPECT_EQ(target, row.expected);
  }
}

TEST(FixedTextTest, ConcatIntoAPart) {
  // Both halves of the target swapped: written directly, the second part would already be
  // overwritten when it is read.
  std::string a = "abcdefghij";
  text_concat(a.data(), 10, {std::string_view(a.data() + 5, 5), std::string_view(a.data(), 5)});
  EXPECT_EQ(a, "fghijabcde");

  // The target's own content extended.
  std::string b = "xyz       ";
  text_concat(b.data(), 10, {std::string_view(b.data(), 3), "12"});
  EXPECT_EQ(b, "xyz12     ");

  // A part overlapping only the target's end.
  std::string c = "0123456789";
  text_concat(c.data(), 6, {"ab", std::string_view(c.data() + 4, 6)});
  EXPECT_EQ(c,
            "ab4567"
            "6789");
}

}  // namespace
}  // namespace convkit
