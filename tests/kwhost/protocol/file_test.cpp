#include "kwhost/protocol/file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace stimforge::kwhost {
namespace {

const char kRun1Text[] =
    "kwhost-protocol 1\n"
    "title \"run1\"\n"
    "time-resolution 2\n"
    "colour1 0x000000\n"
    "colour2 0xFFFFFF\n"
    "colour3 0xFFFFFF\n"
    "thickness3 2\n"
    "colour4 0x3F0007D0\n"
    "thickness4 2\n"
    "conditions 2\n"
    "\n"
    "condition \"Rest\"\n"
    "colour 0x3F333300\n"
    "intervals 2\n"
    "0 9998\n"
    "20000 29998\n"
    "\n"
    "condition \"Faces\"\n"
    "colour 0x3FFF3399\n"
    "intervals 1\n"
    "10000 19998\n";

Protocol run1() {
  Protocol p;
  p.fileName = "run1.prt";
  p.title = "run1";
  p.timeResolution = 2;
  p.colour2 = 0xFFFFFF;
  p.colour3 = 0xFFFFFF;
  p.thickness3 = 2;
  p.colour4 = 0x3F0007D0;
  p.thickness4 = 2;
  p.conditions = {{"Rest", 0x3F333300, {0, 20000}, {9998, 29998}},
                  {"Faces", 0x3FFF3399, {10000}, {19998}}};
  return p;
}

Protocol parsed(const std::string& text, const std::string& fileName = "run1.prt") {
  Protocol protocol;
  std::string error;
  EXPECT_TRUE(parseProtocolText(text, fileName, protocol, error)) << error;
  return protocol;
}

std::string parseError(const std::string& text) {
  Protocol protocol;
  std::string error;
  EXPECT_FALSE(parseProtocolText(text, "bad.prt", protocol, error)) << text;
  EXPECT_EQ(protocol, Protocol());
  return error;
}

TEST(ProtocolFile, WritesTheDocumentedText) {
  EXPECT_EQ(formatProtocolText(run1()), kRun1Text);
  EXPECT_EQ(parsed(kRun1Text), run1());
}

TEST(ProtocolFile, WritingThenReadingGivesBackExactlyTheSameProtocol) {
  Protocol p;
  p.fileName = "odd.prt";
  std::string everyByte;
  for (int byte = 1; byte < 256; ++byte)
    everyByte += static_cast<char>(byte);
  p.title = std::string(45, '"') + everyByte;  // 300 bytes, the most a title holds
  p.timeResolution = INT32_MIN;
  p.colour1 = INT32_MIN;
  p.colour2 = -1;
  p.colour3 = INT32_MAX;
  p.thickness3 = INT32_MAX;
  p.colour4 = 0;
  p.thickness4 = -7;
  p.conditions = {{everyByte, -1, {INT32_MIN, 0, -5}, {INT32_MAX, 0, -9}},
                  {"", 0, {}, {}},
                  {"  spaces, \\ \"quotes\" \\x41 and # not a comment  ", 0x3F000000, {1}, {2}},
                  {std::string(255, '\\'), 1, {}, {}}};
  EXPECT_EQ(parsed(formatProtocolText(p), "odd.prt"), p);

  Protocol empty;
  empty.fileName = "empty.prt";
  EXPECT_EQ(parsed(formatProtocolText(empty), "empty.prt"), empty);
}

TEST(ProtocolFile, AcceptsCommentsBlankLinesIndentationAndWindowsLineEnds) {
  std::string text = "# written by hand\r\n\r\n";
  for (const char* line : {"kwhost-protocol 1",
                           "  title   \"run1\"  ",
                           "time-resolution\t2",
                           "colour1 0x0",
                           "colour2 0xffffff",
                           "colour3 0XFFFFFF",
                           "thickness3 +2",
                           "colour4 0x3f0007d0",
                           "thickness4 2",
                           "conditions 2",
                           "# the first condition",
                           "condition \"Rest\"",
                           "colour 0x3F333300",
                           "intervals 2",
                           "0\t 9998",
                           "   20000 29998",
                           "condition \"Faces\"",
                           "colour 0x3FFF3399",
                           "intervals 1",
                           "10000 19998",
                           "",
                           "# end"}) {
    text += line;
    text += "\r\n";
  }
  EXPECT_EQ(parsed(text), run1());
}

TEST(ProtocolFile, MalformedTextIsRefusedWithFileLineAndReason) {
  const std::string good = kRun1Text;
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"",
       "bad.prt:1: not a protocol file: it is empty (the first line must be "
       "\"kwhost-protocol 1\")"},
      {"kwhost-protocol 2\n",
       "bad.prt:1: not a protocol file: the first line must be "
       "\"kwhost-protocol 1\", found \"kwhost-protocol 2\""},
      {"kwhost-protocol 1\n", "bad.prt:1: expected \"title \"<text>\"\", but the file ends here"},
      {replaced("colour2", "colour9"),
       "bad.prt:5: expected \"colour2 <colour>\", found \"colour9 0xFFFFFF\""},
      {replaced("0xFFFFFF", "FFFFFF"),
       "bad.prt:5: colour2: \"FFFFFF\" is not a colour (0x and 1 to 8 hexadecimal digits)"},
      {replaced("0x3F0007D0", "0x13F0007D0"),
       "bad.prt:8: colour4: \"0x13F0007D0\" is not a colour (0x and 1 to 8 hexadecimal "
       "digits)"},
      {replaced("time-resolution 2", "time-resolution 2.5"),
       "bad.prt:3: time-resolution: \"2.5\" is not a whole number from -2147483648 to "
       "2147483647"},
      {replaced("\"run1\"", "run1"), "bad.prt:2: title: the text must start with a double quote"},
      {replaced("\"run1\"", "\"run1"), "bad.prt:2: title: the text has no closing double quote"},
      {replaced("\"run1\"", "\"run1\\\""),
       "bad.prt:2: title: the text has no closing double quote"},
      {replaced("\"run1\"", "\"run1\" x"),
       "bad.prt:2: title: unexpected text after the closing double quote"},
      {replaced("\"Rest\"", "\"Re\\st\""),
       "bad.prt:12: condition: unknown escape \"\\\\s\" (use \\\\, \\\", \\n, \\r, \\t or "
       "\\xHH)"},
      {replaced("\"Rest\"", "\"Re\\x4\""),
       "bad.prt:12: condition: \\x must be followed by two hexadecimal digits"},
      {replaced("\"Rest\"", "\"Re\\x00\""),
       "bad.prt:12: condition: the text cannot hold a NUL byte (\\x00)"},
      {replaced("\"Rest\"", "\"" + std::string(256, 'R') + "\""),
       "bad.prt:12: condition: the text is 256 bytes long; at most 255 fit"},
      {replaced("\"run1\"", "\"" + std::string(301, 'r') + "\""),
       "bad.prt:2: title: the text is 301 bytes long; at most 300 fit"},
      {replaced("conditions 2", "conditions -1"),
       "bad.prt:10: conditions: \"-1\" is not a count (0 or more)"},
      {replaced("conditions 2", "conditions 3"),
       "bad.prt:21: the file ends after 2 of 3 conditions"},
      {replaced("intervals 1", "intervals 2"),
       "bad.prt:21: the file ends after 1 of 2 intervals "
       "of condition 1"},
      {replaced("intervals 2", "intervals 3"),
       "bad.prt:18: expected an interval \"<start> <end>\" (two whole numbers), found "
       "\"condition \\\"Faces\\\"\""},
      {replaced("0 9998", "0 9998 1"),
       "bad.prt:15: expected an interval \"<start> <end>\" (two whole numbers), found \"0 9998 "
       "1\""},
      {replaced("0 9998", "0"),
       "bad.prt:15: expected an interval \"<start> <end>\" (two whole numbers), found \"0\""},
      {replaced("conditions 2", "conditions 1"),
       "bad.prt:18: unexpected text after the last condition: \"condition \\\"Faces\\\"\""},
      {replaced("Faces", std::string("Fa\0ces", 6)), "bad.prt:18: the line holds a NUL byte"},
      {good + std::string(70, 'x'),
       "bad.prt:22: unexpected text after the last condition: \"" + std::string(60, 'x') + "...\""},
  };
  for (const auto& [text, error] : cases) {
    if (text == good)
      continue;
    EXPECT_EQ(parseError(text), error);
  }
}

TEST(ProtocolFile, AnyTextIsParsedSafely) {
  // Mutations of a valid file: parsing either succeeds or reports, and never reads or
  // writes out of bounds (the sanitizers watch).
  std::mt19937 random(12345);
  const std::string good = formatProtocolText(run1());
  for (int round = 0; round < 3000; ++round) {
    std::string text = good;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % text.size();
      switch (random() % 3) {
        case 0:
          text[at] = static_cast<char>(random() % 256);
          break;
        case 1:
          text.erase(at, 1 + random() % 8);
          break;
        default:
          text.insert(at, 1, static_cast<char>(random() % 256));
          break;
      }
      if (text.empty())
        text = "x";
    }
    Protocol protocol;
    std::string error;
    if (parseProtocolText(text, "fuzz.prt", protocol, error)) {
      EXPECT_EQ(parsed(formatProtocolText(protocol), "fuzz.prt"), protocol);
    } else {
      EXPECT_THAT(error, ::testing::StartsWith("fuzz.prt:"));
    }
  }
}

}  // namespace
}  // namespace stimforge::kwhost
