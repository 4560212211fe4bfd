// Reading the columns of one event line.
#include "logformat/log_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace stimforge {
namespace {

TEST(EventFields, TabSeparatedLinesKeepBlanksInsideFieldsAndTrimAroundThem) {
  EventFields f;
  const std::string line = "S1\t 3 \tPort Input\t Wait Screen \t123\t0\t1\t\t";
  ASSERT_TRUE(readLeadingFields(line, true, f));
  EXPECT_EQ(f.trial, 3);
  EXPECT_EQ(f.eventType, "Port Input");
  EXPECT_EQ(f.code, "Wait Screen");
  readTimeAndDuration(line, f);
  EXPECT_EQ(f.time, "123");
  EXPECT_EQ(f.duration, "");
}

TEST(EventFields, LinesWithoutATabSplitAtRunsOfBlanks) {
  EventFields f;
  const std::string line = "  7   Picture\r face\f 12.5  0 0   500  ";
  ASSERT_TRUE(readLeadingFields(line, false, f));
  EXPECT_EQ(f.trial, 7);
  EXPECT_EQ(f.eventType, "Picture");
  EXPECT_EQ(f.code, "face");
  readTimeAndDuration(line, f);
  EXPECT_EQ(f.time, "12.5");
  EXPECT_EQ(f.duration, "500");
}

TEST(EventFields, MissingColumnsAreEmpty) {
  EventFields f;
  const std::string line = "2\tResponse\t1\t235374\t235317\t0";
  ASSERT_TRUE(readLeadingFields(line, false, f));
  readTimeAndDuration(line, f);
  EXPECT_EQ(f.time, "235374");
  EXPECT_EQ(f.duration, "");
  const std::string shortLine = "2 Picture face";
  ASSERT_TRUE(readLeadingFields(shortLine, false, f));
  readTimeAndDuration(shortLine, f);
  EXPECT_EQ(f.time, "");
  EXPECT_EQ(f.duration, "");
}

TEST(EventFields, LinesWithoutAllLeadingFieldsAreNoEvents) {
  EventFields f;
  for (const char* line :
       {"", "   ", "\t\t\t", "1\tPicture", "1\tPicture\t", "1\t\tface\t10", "x\tPicture\tface\t10",
        "NA Picture face 10", "1 Picture", "99999999999 Picture face 10"}) {
    EXPECT_FALSE(readLeadingFields(line, false, f)) << "[" << line << "]";
  }
  // With a Subject column, the Subject must be there as well, and a line that lacks it
  // shifts Trial onto a text.
  for (const char* line :
       {"\t1\tPicture\tface\t10", "1\tPicture\tface\t10", "S1 Picture face 10", "S1 1 Picture"}) {
    EXPECT_FALSE(readLeadingFields(line, true, f)) << "[" << line << "]";
  }
}

TEST(EventFields, LongTextsAreCutCodesOnlyPast255Characters) {
  EventFields f;
  const std::string type(120, 't');
  const std::string code(300, 'c');
  const std::string line = "1\t" + type + "\t" + code + "\t5";
  ASSERT_TRUE(readLeadingFields(line, false, f));
  EXPECT_EQ(f.eventType, std::string(99, 't'));
  EXPECT_EQ(f.code, std::string(255, 'c'));
}

TEST(EventFields, DecimalsFollowFormattedInputRules) {
  struct Case {
    const char* text;
    double value;
  };
  for (const Case& c :
       {Case{"173479", 173479}, Case{"-9833", -9833}, Case{"+5", 5}, Case{"12.75", 12.75},
        Case{".5", 0.5}, Case{"5.", 5}, Case{"1.5e3", 1500}, Case{"2E-1", 0.2}, Case{"1e", 1},
        Case{"1e+", 1}, Case{"12abc", 12}, Case{"0x10", 0}, Case{"007", 7},
        Case{"12345678901234567890", 12345678901234567890.0}, Case{"1e-999", 0}}) {
    double value = -1;
    ASSERT_TRUE(readDecimal(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  double value = 0;
  ASSERT_TRUE(readDecimal("1e999", value));
  EXPECT_EQ(value, std::numeric_limits<double>::infinity());
  ASSERT_TRUE(readDecimal("-123456789e400", value));
  EXPECT_EQ(value, -std::numeric_limits<double>::infinity());
  ASSERT_TRUE(readDecimal("-0", value));
  EXPECT_TRUE(value == 0 && std::signbit(value));
  for (const char* text : {"", "NA", "-", "+", ".", "-.e5", "e5", "inf", "nan", "Infinity"}) {
    EXPECT_FALSE(readDecimal(text, value)) << text;
  }
}

TEST(EventFields, WholeNumbersStayWithin32Bits) {
  int32_t value = 0;
  ASSERT_TRUE(readWholeNumber("2147483647", value));
  EXPECT_EQ(value, 2147483647);
  ASSERT_TRUE(readWholeNumber("-2147483648", value));
  EXPECT_EQ(value, std::numeric_limits<int32_t>::min());
  ASSERT_TRUE(readWholeNumber("+12x", value));
  EXPECT_EQ(value, 12);
  for (const char* text :
       {"2147483648", "-2147483649", "99999999999999999999", "", "x", "-", " 1"}) {
    EXPECT_FALSE(readWholeNumber(text, value)) << text;
  }
}

}  // namespace
}  // namespace stimforge

namespace stimforge {
namespace {

// A split stopped after `limit` fields gives the first fields of the whole split, tabs found
// a few at a time across every eight-byte step.
TEST(EventFields, SplitUpToALimitGivesTheFirstFields) {
  const char* const lines[] = {
      "",
      "a",
      "  4 Picture  face 10 ",
      "S1\t0\tPulse\t53\t94239\t94239\t1",
      "\t\t\t",
      "S1 \t 12\tPicture\ta long code with blanks\t\t-5\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t",
      "x\ty"};
  for (const char* line : lines) {
    std::vector<std::string_view> all;
    splitFields(line, all);
    for (size_t limit = 0; limit <= all.size() + 1; ++limit) {
      std::vector<std::string_view> some;
      splitFields(line, some, limit);
      const std::vector<std::string_view> expected(all.begin(),
                                                   all.begin() + std::min(limit, all.size()));
      EXPECT_EQ(some, expected) << '"' << line << "\" limit " << limit;
    }
  }
}

}  // namespace
}  // namespace stimforge

namespace stimforge {
namespace {

// Twenty digits once wrapped around 64 bits and read as a small whole number.
TEST(LogNumbers, RegressionWholeNumbersBeyond64BitsWrapped) {
  const struct {
    const char* text;
    LogNumber::Kind kind;
    int64_t whole;
  } cases[] = {
      {"94239", LogNumber::Kind::kWhole, 94239},
      {" -9833 ", LogNumber::Kind::kWhole, -9833},
      {"9223372036854775807", LogNumber::Kind::kWhole, INT64_MAX},
      {"99999999999999999999", LogNumber::Kind::kFraction, 0},
      {"184467440737095516170", LogNumber::Kind::kFraction, 0},
      {"12.5", LogNumber::Kind::kFraction, 0},
      {"12abc", LogNumber::Kind::kMissing, 0},
      {"", LogNumber::Kind::kMissing, 0},
      {"NA", LogNumber::Kind::kMissing, 0},
  };
  for (const auto& c : cases) {
    const LogNumber n = readLogNumber(c.text);
    EXPECT_EQ(n.kind, c.kind) << c.text;
    if (c.kind == LogNumber::Kind::kWhole) {
      EXPECT_EQ(n.whole, c.whole) << c.text;
    }
    if (c.kind == LogNumber::Kind::kFraction) {
      EXPECT_GT(n.value, 10.0) << c.text;
    }
  }
}

}  // namespace
}  // namespace stimforge
