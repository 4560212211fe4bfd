// The exact decimal times: parsing, rounding once to microseconds, sums and differences.
#include "kwhost/psychopy/exact_time.h"

#include <gtest/gtest.h>

namespace stimforge::kwhost {
namespace {

struct Case {
  const char* a;
  char op;  // '+', '-', or 0 for `a` alone
  const char* b;
  const char* exact;    // nullptr: `a` is not a time
  const char* rounded;  // secondsText
};

const Case kCases[] = {
    {"0", 0, "", "0.0", "0.000000"},
    {"174.3931180005893", 0, "", "174.3931180005893", "174.393118"},
    {"1.2e-05", 0, "", "0.000012", "0.000012"},
    {"1E+3", 0, "", "1000.0", "1000.000000"},
    {".5", 0, "", "0.5", "0.500000"},
    {"5.", 0, "", "5.0", "5.000000"},
    // ties at the microsecond go up, toward +infinity
    {"0.0000025", 0, "", "0.0000025", "0.000003"},
    {"-2.5e-06", 0, "", "-0.0000025", "-0.000002"},
    {"-0.0000005", 0, "", "-0.0000005", "0.000000"},
    {"0.000000499999999999999999", 0, "", "0.000000499999999999999999", "0.000000"},
    // a 25th decimal rounded at parse can make a tie, which then goes up
    {"0.0000004999999999999999999", 0, "", "0.0000005", "0.000001"},
    // 19 decimals kept; the 25th rounded half up on the magnitude at parse, with its carries
    {"0.0000000000000000001", 0, "", "0.0000000000000000001", "0.000000"},
    {"0.0000000000000000000000005", 0, "", "0.000000000000000000000001", "0.000000"},
    {"0.0000000000000000000000004", 0, "", "0.0", "0.000000"},
    {"-0.0000000000000000000000005", 0, "", "-0.000000000000000000000001", "0.000000"},
    {"0.9999999999999999999999995", 0, "", "1.0", "1.000000"},
    {"999999999999.5", 0, "", "999999999999.5", "999999999999.500000"},
    {"1e12", 0, "", nullptr, nullptr},
    {"None", 0, "", nullptr, nullptr},
    {"nan", 0, "", nullptr, nullptr},
    {"inf", 0, "", nullptr, nullptr},
    {"", 0, "", nullptr, nullptr},
    {" 1", 0, "", nullptr, nullptr},
    {"1e", 0, "", nullptr, nullptr},
    {"1.2.3", 0, "", nullptr, nullptr},
    {"+", 0, "", nullptr, nullptr},
    {"e5", 0, "", nullptr, nullptr},
    {"1,5", 0, "", nullptr, nullptr},
    // started + rt, onset - time zero: exact, then rounded once
    {"159.2313516996801", '+', "15.13021899946034", "174.36157069914044", "174.361571"},
    {"0.1", '-', "0.3", "-0.2", "-0.200000"},
    {"174.3931180005893", '-', "174.36157069914044", "0.03154730144886", "0.031547"},
    {"0.0000015", '-', "0.000004", "-0.0000025", "-0.000002"},
    {"1e-24", '+', "-1e-24", "0.0", "0.000000"},
};

TEST(ExactTime, ParsesRoundsAndAddsByTheTable) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.a) + " " + (c.op ? std::string(1, c.op) + " " + c.b : ""));
    ExactTime a, b;
    const bool parsed = parseExactTime(c.a, a) && (c.op == 0 || parseExactTime(c.b, b));
    ASSERT_EQ(parsed, c.exact != nullptr);
    if (!parsed)
      continue;
    const ExactTime value = c.op == '+' ? a + b : c.op == '-' ? a - b : a;
    EXPECT_EQ(exactSecondsText(value), c.exact);
    EXPECT_EQ(secondsText(value), c.rounded);
    EXPECT_GE(value.rest(), 0);
    EXPECT_LT(value.rest(), ExactTime::kRestPerMicrosecond);
  }
}

}  // namespace
}  // namespace stimforge::kwhost
