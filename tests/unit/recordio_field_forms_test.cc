#include "common/recordio/field_forms.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace convkit {
namespace {

// Forms a field into a buffer guarded by sentinels, checks that exactly width bytes were
// written and returns them.
template <class Form>
std::string formed(int width, Form form) {
  const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
  std::string buffer(w + 16, '#');
  char* out = buffer.data() + 8;
  char* end = form(out);
  EXPECT_EQ(end, out + w);
  EXPECT_EQ(buffer.substr(0, 8), "########");
  EXPECT_EQ(buffer.substr(8 + w), "########");
  return buffer.substr(8, w);
}

std::string e_field(double v, int width, int digits) {
  return formed(width, [&](char* out) { return form_e(out, v, width, digits); });
}

struct ECase {
  double value;
  const char* field;
};

TEST(FormE, Examples13_6) {
  const ECase cases[] = {
      {1.5, " 0.150000E+01"},       {-1.5, "-0.150000E+01"},
      {0.0, " 0.000000E+00"},       {-0.0, " 0.000000E+00"},
      {1000.0, " 0.100000E+04"},    {static_cast<double>(10000.0f), " 0.100000E+05"},
      {123.4567, " 0.123457E+03"},  {9.9999996, " 0.100000E+02"},
      {1234565.0, " 0.123456E+07"}, {1.0e-6, " 0.100000E-05"},
      {-2.5e-9, "-0.250000E-08"},   {1.0e-100, " 0.100000E-99"},
      {1.0e-101, " 0.100000-100"},  {5.0e99, " 0.500000+100"},
      {-1.0e100, "-0.100000+101"},
  };
  for (const ECase& c : cases) {
    EXPECT_EQ(e_field(c.value, 13, 6), c.field) << c.value;
  }
}

TEST(FormE, RoundingAndExponentBoundaries) {
  const ECase cases[] = {
      {1234575.0, " 0.123458E+07"},  // a tie going up to the even digit
      {1234565.000001, " 0.123457E+07"},
      {0.5, " 0.500000E+00"},
      {1.0, " 0.100000E+01"},
      {0.1, " 0.100000E+00"},
      {0.001, " 0.100000E-02"},
      {-200.00000000000003, "-0.200000E+03"},
      {9.9e98, " 0.990000E+99"},
      {9.9999996e98, " 0.100000+100"},  // the carry crosses into three exponent digits
      {1.0e99, " 0.100000+100"},
      {9.9999996e-101, " 0.100000E-99"},
      {3.125, " 0.312500E+01"},
  };
  for (const ECase& c : cases) {
    EXPECT_EQ(e_field(c.value, 13, 6), c.field) << c.value;
  }
}

TEST(FormE, ExtremeMagnitudes) {
  const ECase cases[] = {
      {DBL_MAX, " 0.179769+309"},
      {-DBL_MAX, "-0.179769+309"},
      {DBL_MIN, " 0.222507-307"},
      {std::numeric_limits<double>::denorm_min(), " 0.494066-323"},
      {-std::numeric_limits<double>::denorm_min(), "-0.494066-323"},
      {1.0e-310, " 0.100000-309"},
  };
  for (const ECase& c : cases) {
    EXPECT_EQ(e_field(c.value, 13, 6), c.field) << c.value;
  }
}

TEST(FormE, NotANumberAndInfinity) {
  volatile double zero = 0.0;
  const double zero_by_zero = zero / zero;  // sign bit set on common hardware
  EXPECT_EQ(e_field(std::numeric_limits<double>::quiet_NaN(), 13, 6), "          NAN");
  EXPECT_EQ(e_field(zero_by_zero, 13, 6), "          NAN");
  EXPECT_EQ(e_field(std::copysign(std::numeric_limits<double>::quiet_NaN(), -1.0), 13, 6),
            "          NAN");
  EXPECT_EQ(e_field(std::numeric_limits<double>::infinity(), 13, 6), "          INF");
  EXPECT_EQ(e_field(-std::numeric_limits<double>::infinity(), 13, 6), "         -INF");
  EXPECT_EQ(e_field(1.0 / zero, 13, 6), "          INF");
  // Too narrow for the text and its sign.
  EXPECT_EQ(e_field(std::numeric_limits<double>::infinity(), 3, 6), "INF");
  EXPECT_EQ(e_field(-std::numeric_limits<double>::infinity(), 4, 6), "-INF");
  EXPECT_EQ(e_field(-std::numeric_limits<double>::infinity(), 3, 6), "***");
  EXPECT_EQ(e_field(std::numeric_limits<double>::quiet_NaN(), 2, 6), "**");
}

struct EWidthCase {
  double value;
  int width;
  int digits;
  const char* field;
};

TEST(FormE, OtherWidthsAndDigits) {
  const EWidthCase cases[] = {
      {1.5, 10, 3, " 0.150E+01"},
      {1.5, 8, 3, ".150E+01"},    // no room for the leading zero
      {-1.5, 9, 3, "-.150E+01"},  // nor here, with the sign
      {-1.5, 8, 3, "********"},   // the sign does not fit
      {1.5, 12, 3, "   0.150E+01"},
      {0.125, 10, 2, "  0.12E+00"},  // exact tie to even, down
      {0.375, 10, 2, "  0.38E+00"},  // exact tie to even, up
      {2.5, 8, 1, " 0.2E+01"},
      {3.5, 8, 1, " 0.4E+01"},
      {9.5, 8, 1, " 0.1E+02"},
      {0.0, 8, 1, " 0.0E+00"},
      {2.5, 7, 1, "0.2E+01"},
      {1.5, 4, 6, "****"},
      {0.1, 50, 40, "    0.1000000000000000055511151231257827021182E+00"},
      {1.0, 10, 0, "**********"},
      {1.0, 10, INT_MAX, "**********"},
      {1.0, 1, 1, "*"},
  };
  for (const EWidthCase& c : cases) {
    EXPECT_EQ(e_field(c.value, c.width, c.digits), c.field)
        << c.value << " E" << c.width << "." << c.digits;
  }
}

TEST(FormE, ZeroWidthWritesNothing) {
  char out[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(form_e(out, 1.5, 0, 6), out);
  EXPECT_EQ(form_e(out, 1.5, -3, 6), out);
  EXPECT_EQ(std::string(out, 4), "####");
}

TEST(FormE, DigitsBeyondTheExactExpansionAreZeros) {
  // 1.0 with a thousand digits: "0.1" and 999 zeros.
  std::string one = e_field(1.0, 1010, 1000);
  EXPECT_EQ(one, std::string(4, ' ') + "0.1" + std::string(999, '0') + "E+01");

  // The smallest subnormal has exactly 751 significant digits, the last a 5.
  std::string tiny = e_field(std::numeric_limits<double>::denorm_min(), 1010, 1000);
  ASSERT_EQ(tiny.size(), 1010u);
  EXPECT_EQ(tiny.substr(0, 40), "    0.4940656458412465441765687928682213");
  const std::string digits = tiny.substr(6, 1000);
  EXPECT_EQ(digits[750], '5');
  EXPECT_EQ(digits.substr(751), std::string(249, '0'));
  EXPECT_EQ(tiny.substr(1006), "-323");
}

// The digits and exponent of the C conversion "%#.*E" laid out as the field, for values of
// every magnitude and digit counts from 1 to 40.
TEST(FormE, AgreesWithTheCConversion) {
  std::mt19937_64 random(20240607);
  std::uniform_int_distribution<int> digit_count(1, 40);
  // Values where six digits are decided by a hair: ties, near ties, carries and the edges of
  // the powers of ten that can be applied exactly.
  const double edges[] = {0.1234565, 1234565.0,  1234575.0,    999999.5,
                          9999995.0, 0.9999995,  0.99999949,   2.5e-7,
                          1.5e-6,    1e22,       1e23,         1e-22,
                          1e-23,     9.99999e22, 1.0000005e-5, 4.4501477170144023e-308};
  const int edge_count = static_cast<int>(sizeof edges / sizeof edges[0]);
  for (int n = -edge_count; n < 20000; ++n) {
    double v;
    if (n < 0) {
      v = edges[n + edge_count];
    } else if (n % 2 == 0) {
      uint64_t bits = random();
      std::memcpy(&v, &bits, sizeof v);
      if (!std::isfinite(v)) continue;
    } else {
      // Short decimals, where ties and carries are frequent.
      v = static_cast<double>(static_cast<int64_t>(random() % 20000001) - 10000000) /
          std::pow(10.0, static_cast<double>(random() % 12));
    }
    const int d = n >= 0 && n % 4 == 0 ? digit_count(random) : 6;
    char c[128];
    std::snprintf(c, sizeof c, "%#.*E", d - 1, std::fabs(v));
    std::string text(c);
    const size_t e = text.find('E');
    std::string mantissa = text.substr(0, e);
    mantissa.erase(1, 1);  // the point
    int p = std::atoi(text.c_str() + e + 1);
    int q = v == 0.0 ? 0 : p + 1;
    char exponent[16];
    if (std::abs(q) <= 99) {
      std::snprintf(exponent, sizeof exponent, "E%+.2d", q);
    } else {
      std::snprintf(exponent, sizeof exponent, "%+.3d", q);
    }
    const int width = d + 7;
    // Two columns to spare: a blank and "0", or "-" and "0".
    const std::string expected = (v < 0.0 ? "-0." : " 0.") + mantissa + exponent;
    ASSERT_EQ(e_field(v, width, d), expected) << v << " " << d;
  }
}

struct ICase {
  int value;
  int width;
  const char* field;
};

TEST(FormI, Fields) {
  const ICase cases[] = {
      {0, 1, "0"},
      {7, 1, "7"},
      {9, 1, "9"},
      {10, 1, "*"},
      {-1, 1, "*"},
      {-1, 2, "-1"},
      {0, 3, "  0"},
      {123, 5, "  123"},
      {-123, 5, " -123"},
      {-123, 3, "***"},
      {INT_MAX, 10, "2147483647"},
      {INT_MIN, 11, "-2147483648"},
      {INT_MIN, 12, " -2147483648"},
      {INT_MIN, 10, "**********"},
      {INT_MIN, 1, "*"},
  };
  for (const ICase& c : cases) {
    EXPECT_EQ(formed(c.width, [&](char* out) { return form_i(out, c.value, c.width); }), c.field)
        << c.value << " I" << c.width;
  }
}

TEST(FormI, ZeroWidthWritesNothing) {
  char out[2] = {'#', '#'};
  EXPECT_EQ(form_i(out, 5, 0), out);
  EXPECT_EQ(out[0], '#');
}

struct ACase {
  std::string text;
  int width;
  std::string field;
};

TEST(FormA, Fields) {
  using std::string_literals::operator""s;
  const ACase cases[] = {
      {"Average:", 6, "Averag"},
      {"Scans:", 14, "        Scans:"},
      {"Start(mV):    ", 14, "Start(mV):    "},
      {"a\0b"s, 3, "a\0b"s},
      {"a\0b"s, 5, "  a\0b"s},
      {"\0\0"s, 1, "\0"s},
      {"", 3, "   "},
      {"\xff\x80z", 3, "\xff\x80z"},
  };
  for (const ACase& c : cases) {
    std::string field = formed(c.width, [&](char* out) {
      return form_a(out, c.text.data(), static_cast<int>(c.text.size()), c.width);
    });
    EXPECT_EQ(field, c.field) << c.text << " A" << c.width;
  }
}

TEST(FormA, ZeroWidthAndNoText) {
  char out[3] = {'#', '#', '#'};
  EXPECT_EQ(form_a(out, "abc", 3, 0), out);
  EXPECT_EQ(form_a(out, nullptr, 0, 3), out + 3);
  EXPECT_EQ(std::string(out, 3), "   ");
}

}  // namespace
}  // namespace convkit
