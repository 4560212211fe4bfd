#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "kwhost/common/lines.h"
#include "kwhost/common/text_utf8.h"

namespace stimforge::kwhost {
namespace {

TEST(LineSplitter, SplitsAtLfDroppingTheCrBeforeIt) {
  struct Case {
    std::string_view text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"\n", {""}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"a\rb\r\r\n", {"a\rb\r"}},  // only the CR right before the LF goes
      {"\r", {""}},                // a last line without an LF loses its CR too
      {std::string_view("a\0b\n", 4), {std::string("a\0b", 3)}},
  };
  for (const Case& c : cases) {
    LineSplitter lines(c.text);
    std::vector<std::string> got;
    std::string_view line;
    while (lines.next(line)) {
      got.emplace_back(line);
      EXPECT_EQ(lines.lineNumber(), got.size());
    }
    EXPECT_EQ(got, c.lines) << "text: " << std::string(c.text);
    EXPECT_EQ(firstLineOfText(c.text), c.lines.empty() ? "" : c.lines.front());
  }
}

TEST(LineSplitter, RestartGoesBackToAPositionItGave) {
  LineSplitter lines("one\ntwo\nthree");
  std::string_view line;
  ASSERT_TRUE(lines.next(line));
  const size_t pos = lines.position();
  ASSERT_TRUE(lines.next(line));
  ASSERT_TRUE(lines.next(line));
  EXPECT_FALSE(lines.next(line));
  lines.restart(pos, 1);
  ASSERT_TRUE(lines.next(line));
  EXPECT_EQ(line, "two");
  EXPECT_EQ(lines.lineNumber(), 2u);
}

TEST(Utf8SequenceAt, WellFormedSequencesOnly) {
  struct Case {
    std::string_view bytes;
    size_t length;
    char32_t codePoint;
  };
  const Case cases[] = {
      {"A", 1, U'A'},
      {"\xC3\xA9", 2, U'\u00E9'},
      {"\xE2\x82\xAC", 3, U'\u20AC'},
      {"\xF0\x9F\x98\x80", 4, U'\U0001F600'},
      {"\xC0\x80", 0, 0},          // overlong
      {"\xE0\x80\x80", 0, 0},      // overlong
      {"\xED\xA0\x80", 0, 0},      // a surrogate
      {"\xF4\x90\x80\x80", 0, 0},  // above U+10FFFF
      {"\x80", 0, 0},              // a stray continuation byte
      {"\xE2\x82", 0, 0},          // cut short
  };
  for (const Case& c : cases) {
    char32_t codePoint = 0;
    EXPECT_EQ(utf8SequenceAt(c.bytes, 0, codePoint), c.length) << std::string(c.bytes);
    EXPECT_EQ(codePoint, c.codePoint) << std::string(c.bytes);
    EXPECT_EQ(isValidUtf8(c.bytes), c.length == c.bytes.size()) << std::string(c.bytes);
  }
}

}  // namespace
}  // namespace stimforge::kwhost
