// Shell words, byte for byte, and the shell call.
#include "common/recordio/shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/files.h"
#include "tests/support/scratch.h"

namespace convkit {
namespace {

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
  testkit::ScratchWorkingDir dir;
  const char command[] = "echo hi >a.txt; echo no >b.txt";
  run_shell(command, 14);
  EXPECT_EQ(testkit::read_file("a.txt"), "hi\n");
  EXPECT_FALSE(std::filesystem::exists("b.txt"));
  const char with_zero[] = "echo hi >c.txt\0; echo no >d.txt";
  run_shell(with_zero, sizeof with_zero - 1);
  EXPECT_TRUE(std::filesystem::exists("c.txt"));
  EXPECT_FALSE(std::filesystem::exists("d.txt"));
  EXPECT_NE(run_shell("exit 3", 6), 0);  // a failing command only gives its status
}

}  // namespace
}  // namespace convkit
