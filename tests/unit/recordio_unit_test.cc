// Units on real files: open order, rewind, the cut at close, one file one unit, failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/recordio/free_reader.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/run_capture.h"

namespace convkit {
namespace {

using testkit::failure_of;
using testkit::read_file;
using testkit::write_file;
using std::string_view_literals::operator""sv;

class UnitsTest : public testkit::RecordLayerTest {};

void open_named(int n, const std::string& name) {
  open_unit(n, name.data(), static_cast<int>(name.size()));
}

void write_line(int n, const std::string& text) {
  Unit& u = unit(n);
  begin_statement(n, "(A20)", true);
  begin_writing(u, "write start");
  char* at = reserve_bytes(u, text.size());
  std::memcpy(at, text.data(), text.size());
  extend_record(u, at + text.size());
  end_record(u);
  end_statement();
}

TEST(OpenedName, TrailingBlanksGoThenTheNameEndsAtAZeroByte) {
  struct Case {
    std::string_view text;
    std::string_view opened;
  };
  const Case cases[] = {
      {"out.txt", "out.txt"}, {"a ", "a"},        {"a b  ", "a b"},
      {"o \0\0"sv, "o "},     {"ab\0c "sv, "ab"}, {"   ", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(opened_name(c.text), c.opened) << c.text;
}

TEST_F(UnitsTest, MissingInputIsCreatedEmptyAndTheFirstReadMeetsItsEnd) {
  std::string report = failure_of([] {
    open_named(1, "vantor.inp");
    rewind_unit(1);
    double x = 0;
    read_free(1, {real_item(x)}, false);
  });
  EXPECT_EQ(report,
            "list in: end of file\n"
            "apparent state: unit 1 named vantor.inp\n"
            "last format: list io\n"
            "lately reading sequential formatted external IO\n");
  ASSERT_TRUE(std::filesystem::exists("vantor.inp"));
  EXPECT_EQ(std::filesystem::file_size("vantor.inp"), 0u);
}

TEST_F(UnitsTest, ClosingCutsAnOlderLongerFileAfterTheLastLineWritten) {
  std::string old;
  for (int i = 0; i < 20; ++i) old += "old line " + std::to_string(i) + "\n";
  write_file("out.txt", old);
  open_named(25, "out.txt");
  rewind_unit(25);
  for (int i = 0; i < 10; ++i) write_line(25, "new " + std::to_string(i));
  close_unit(25);
  EXPECT_EQ(read_file("out.txt"),
            "new 0\nnew 1\nnew 2\nnew 3\nnew 4\nnew 5\nnew 6\nnew 7\nnew 8\nnew 9\n");
}

TEST_F(UnitsTest, RewindAfterWritingCutsAndReadsFromTheStart) {
  write_file("f.txt", "0123456789abcdef\n");
  open_named(3, "f.txt");
  write_line(3, "1 2");
  rewind_unit(3);
  EXPECT_EQ(read_file("f.txt"), "1 2\n");
  double a = 0, b = 0;
  read_free(3, {real_item(a), real_item(b)}, false);
  EXPECT_EQ(a, 1.0);
  EXPECT_EQ(b, 2.0);
}

TEST_F(UnitsTest, ReopeningTheSameNameKeepsThePosition) {
  write_file("data.txt", "1\n2\n");
  open_named(2, "data.txt");
  double x = 0;
  read_free(2, {real_item(x)}, false);
  open_named(2, "data.txt");
  read_free(2, {real_item(x)}, false);
  EXPECT_EQ(x, 2.0);
}

TEST_F(UnitsTest, AFileConnectedToAnotherUnitIsRefusedAndUntouched) {
  write_file("export.txt", "header\nnumber\n1 2 3\n");
  open_named(2, "export.txt");
  std::string report = failure_of([] { open_named(25, "./export.txt"); });
  EXPECT_EQ(report.substr(0, report.find('\n')), "open: file already connected to unit 2");
  EXPECT_NE(report.find("apparent state: unit 25 named ./export.txt\n"), std::string::npos);
  EXPECT_EQ(read_file("export.txt"), "header\nnumber\n1 2 3\n");
}

TEST_F(UnitsTest, OpenFailuresNameTheFile) {
  struct Case {
    std::string name;
    std::string report_start;
  };
  const Case cases[] = {
      {"", "open: null file name\napparent state: unit 25 (unnamed)\n"},
      {"    ", "open: null file name\napparent state: unit 25 (unnamed)\n"},
      {"nodir/out.txt",
       "open: No such file or directory\napparent state: unit 25 named nodir/out.txt\n"},
  };
  for (const Case& c : cases) {
    std::string report = failure_of([&] { open_named(25, c.name); });
    EXPECT_EQ(report.substr(0, c.report_start.size()), c.report_start) << c.name;
  }
}

TEST_F(UnitsTest, AWriteTheDeviceRefusesIsReportedAtClose) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  open_named(25, "/dev/full");
  write_line(25, "lost");
  std::string report = failure_of([] { close_unit(25); });
  EXPECT_EQ(report.substr(0, report.find('\n')), "write: No space left on device");
  EXPECT_NE(report.find("apparent state: unit 25 named /dev/full\n"), std::string::npos);
}

}  // namespace
}  // namespace convkit
