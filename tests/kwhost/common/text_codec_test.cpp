#include "kwhost/common/text_codec.h"

#include <gtest/gtest.h>

namespace stimforge::kwhost {
namespace {

TEST(RenderMarkup, TurnsTheHostsMarkUpIntoPlainText) {
  EXPECT_EQ(renderMarkup("Please select an option:<P>1 = One<BR>2 = Two"),
            "Please select an option:\n\n1 = One\n2 = Two");
  EXPECT_EQ(renderMarkup("<i>by us</i> and <I>them</I><br>x<p>y"), "by us and them\nx\n\ny");
  // Other tags, and a tag cut off at the end, stay as they are.
  EXPECT_EQ(renderMarkup("<b>bold</b> a<b <BR"), "<b>bold</b> a<b <BR");
}

TEST(EscapeLine, EscapesBackslashLineBreakAndTabOnly) {
  EXPECT_EQ(escapeLine("\nstimforge> Started...\tC:\\exp\r\x01"),
            "\\nstimforge> Started...\\tC:\\\\exp\r\x01");
}

TEST(ParseInt32, TakesSignedWholeNumbersOfTheFullRangeOnly) {
  int32_t value = 7;
  EXPECT_TRUE(parseInt32("-2147483648", value));
  EXPECT_EQ(value, INT32_MIN);
  EXPECT_TRUE(parseInt32("+2147483647", value));
  EXPECT_EQ(value, INT32_MAX);
  EXPECT_TRUE(parseInt32("0004", value));
  EXPECT_EQ(value, 4);
  for (const char* bad : {"", "-", "+", " 1", "1 ", "1.5", "0x1", "2147483648", "-2147483649",
                          "99999999999999999999", "1,2"}) {
    value = 7;
    EXPECT_FALSE(parseInt32(bad, value)) << bad;
    EXPECT_EQ(value, 7) << bad;
  }
}

}  // namespace
}  // namespace stimforge::kwhost
