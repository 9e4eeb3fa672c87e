// The ZEP header block and data lines, byte for byte, on a real file.
#include "common/zep/zep_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"
#include "tests/support/files.h"
#include "tests/support/fixtures.h"

namespace convkit {
namespace {

using testkit::read_file;

class ZepWriterTest : public testkit::WrittenFileTest {
 protected:
  ZepWriterTest() : WrittenFileTest("trace.zep") {}
};

const char* const kWorkedHeader[41] = {
    "cvsin_type_2  ",
    "Start(mV):     -0.200000E+03",
    "End(mV):       -0.200000E+03",
    "Max(mV):        0.600000E+03",
    "Min(mV):       -0.200000E+03",
    "Freq1(Hz):      0.312500E+01",
    "Amp1(mV):       0.100000E+02",
    "Phase1(deg):    0.000000E+00",
    "Freq2(Hz):      0.000000E+00",
    "Amp2(mV):       0.000000E+00",
    "Phase2(deg):    0.000000E+00",
    "Freq3(Hz):      0.000000E+00",
    "Amp3(mV):       0.000000E+00",
    "Phase3(deg):    0.000000E+00",
    "Freq4(Hz):      0.000000E+00",
    "Amp4(mV):       0.000000E+00",
    "Phase4(deg):    0.000000E+00",
    "Freq5(Hz):      0.000000E+00",
    "Amp5(mV):       0.000000E+00",
    "Phase5(deg):    0.000000E+00",
    "Freq6(Hz):      0.000000E+00",
    "Amp6(mV):       0.000000E+00",
    "Phase6(deg):    0.000000E+00",
    "Freq7(Hz):      0.000000E+00",
    "Amp7(mV):       0.000000E+00",
    "Phase7(deg):    0.000000E+00",
    "Freq8(Hz):      0.000000E+00",
    "Amp8(mV):       0.000000E+00",
    "Phase8(deg):    0.000000E+00",
    "Type(0-4):      4 ",
    "Rate(mV/s):     0.100000E+03",
    "Direction:      c ",
    "Scans:  1",
    "Average:        19",
    "Gain(0-4):      1 ",
    "Initial(mV):   -0.200000E+03",
    "Initial(mS):    0.100000E+05",
    "Pre(mV):        0.000000E+00",
    "Pre(ms):        0.000000E+00",
    "Post(mV):       0.000000E+00",
    "Post(ms):       0.000000E+00",
};

std::string lines(const char* const* records, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += std::string(records[i]) + "\n";
  return s;
}

TEST_F(ZepWriterTest, WorkedHeaderAndDataLine) {
  write_zep_header(kOut, {-0.2, 0.6, -0.2, 0.1, 10.0, 3.125});
  write_zep_point(kOut, -0.2, -1.5e-6, 0.0);
  EXPECT_EQ(written(), lines(kWorkedHeader, 41) + "-0.200000E+00  -0.150000E-05   0.000000E+00\n");
}

TEST_F(ZepWriterTest, MaxIsTheVertexAndMinIgnoresTheEnd) {
  write_zep_header(kOut, {0.6, -0.2, -5.0, 2.5, 0.25, 1.0e6});
  const std::string file = written();
  const char* const changed[] = {
      "cvsin_type_2  ",
      "Start(mV):      0.600000E+03",
      "End(mV):       -0.500000E+04",
      "Max(mV):       -0.200000E+03",
      "Min(mV):       -0.200000E+03",
      "Freq1(Hz):      0.100000E+07",
      "Amp1(mV):       0.250000E+00",
  };
  std::string expected = lines(changed, 7) + lines(kWorkedHeader + 7, 23) +
                         "Rate(mV/s):     0.250000E+04\n" + lines(kWorkedHeader + 31, 4) +
                         "Initial(mV):    0.600000E+03\n" + lines(kWorkedHeader + 36, 5);
  EXPECT_EQ(file, expected);
}

TEST_F(ZepWriterTest, NonFiniteValuesKeepTheColumns) {
  // A zero scan rate makes the derived frequency infinite or undefined; the run goes on.
  volatile double zero = 0.0;
  write_zep_point(kOut, 1.0 / zero, -1.0 / zero, zero / zero);
  EXPECT_EQ(written(), "          INF           -INF            NAN\n");
}

TEST_F(ZepWriterTest, DataLines) {
  write_zep_point(kOut, 0.001, 0.5, -1.0e-6);
  write_zep_point(kOut, -0.0, 1.0e-101, 5.0e99);
  EXPECT_EQ(written(),
            " 0.100000E-02   0.500000E+00  -0.100000E-05\n"
            " 0.000000E+00   0.100000-100   0.500000+100\n");
}

TEST_F(ZepWriterTest, AHeaderWithoutPointsIs41Records) {
  write_zep_header(kOut, {-0.2, 0.6, -0.2, 0.1, 10.0, 3.125});
  EXPECT_EQ(written(), lines(kWorkedHeader, 41));
}

}  // namespace
}  // namespace convkit
