// The log-line builder must write exactly what printf writes.
#include "text/log_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace stimforge {
namespace {

std::string printed(const char* format, double value) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

TEST(LogLine, RoundedValuesMatchPrintf) {
  std::vector<double> values = {0.0,     -0.0,    0.4,   -0.4,   0.5,
                                1.5,     2.5,     -2.5,  4014.6, 1500,
                                12345.5, 12344.5, 1e15,  -1e15,  999999999999999.5,
                                1e300,   -1e300,  5e-324};
  values.push_back(std::numeric_limits<double>::infinity());
  values.push_back(-std::numeric_limits<double>::infinity());
  values.push_back(std::numeric_limits<double>::quiet_NaN());
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> small(-1e6, 1e6);
  std::uniform_int_distribution<int> halves(-2000000, 2000000);
  for (int i = 0; i < 2000; ++i) {
    values.push_back(small(random));
    values.push_back(halves(random) / 2.0);
    values.push_back(halves(random) / 10.0);
  }
  for (double value : values) {
    LogLine line;
    line.rounded(value, 15);
    EXPECT_EQ(line.c_str(), printed("%15.0f", value)) << value;
  }
  LogLine narrow;
  narrow.rounded(-12.0, 0).text("|").rounded(7.0, 40);
  EXPECT_EQ(std::string(narrow.c_str()), "-12|" + std::string(39, ' ') + "7");
}

TEST(LogLine, NumbersMatchPrintf) {
  for (long long value :
       {0LL, 7LL, -7LL, 2147483647LL, -2147483648LL, std::numeric_limits<long long>::min(),
        std::numeric_limits<long long>::max()}) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%lld", value);
    LogLine line;
    line.number(value);
    EXPECT_STREQ(line.c_str(), expected);
  }
}

TEST(LogLine, NeverWritesPastItsBuffer) {
  LogLine line;
  line.text(std::string(2000, 'a')).number(5).rounded(1e300, 15);
  EXPECT_EQ(line.size(), 1023u);
  EXPECT_EQ(std::string(line.c_str()), std::string(1023, 'a'));
}

}  // namespace
}  // namespace stimforge
