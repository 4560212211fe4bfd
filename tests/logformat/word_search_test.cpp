// The reader's block-at-a-time paths (tabs found sixteen bytes a compare, eight digits read at
// once, its own code table) against plain references, at every alignment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "logformat/code_table.h"
#include "logformat/log_fields.h"

namespace stimforge {
namespace {

// The fields of a tab-separated line, split and trimmed one byte at a time.
std::vector<std::string> referenceFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == '\t')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  for (std::string& field : fields) {
    const size_t begin = field.find_first_not_of(" \r\v\f\n");
    const size_t end = field.find_last_not_of(" \r\v\f\n");
    field = begin == std::string::npos ? "" : field.substr(begin, end - begin + 1);
  }
  return fields;
}

TEST(WordSearch, TabFieldsMatchAByteByByteSplitAtEveryAlignment) {
  // Field widths 0 to 17 put every tab at every place in an eight-byte word; the bytes
  // 0x08 and 0x89 next to a tab are where a careless zero-byte test finds false tabs.
  for (size_t width = 0; width <= 17; ++width) {
    for (const char filler : {'x', '\x08', '\x89', ' ', '\0'}) {
      const std::string pad(width, filler);
      const std::string line = "S" + pad + "\t" + "12\t" + "Picture" + pad + "\t" + "c" + pad +
                               "\t" + "1234" + pad + "\t" + pad + "\t7" + pad + "\t" + "55" +
                               "\tnext";
      const std::vector<std::string> expected = referenceFields(line);
      EventFields f;
      const bool isEvent = readLeadingFields(line, true, f);
      ASSERT_TRUE(isEvent) << width << " " << int(filler);
      EXPECT_EQ(f.trial, 12);
      // Event Type and Code end at a NUL, wherever it stands in the sixteen-byte pieces.
      const auto upToNul = [](const std::string& text) { return text.substr(0, text.find('\0')); };
      EXPECT_EQ(f.eventType, upToNul(expected[2])) << width;
      EXPECT_EQ(f.code, upToNul(expected[3])) << width;
      readTimeAndDuration(line, f);
      EXPECT_EQ(f.time, expected[4]) << width;
      EXPECT_EQ(f.duration, expected[7]) << width;
      readTime(line, f);
      EXPECT_EQ(f.time, expected[4]) << width;
      EXPECT_EQ(f.duration, "") << width;
    }
  }
}

TEST(WordSearch, LinesEndingBeforeDurationOrRightAfterCode) {
  EventFields f;
  for (const char* line : {"S\t3\tResponse\t1\t235374\t235317\t0", "S\t3\tResponse\t1\t235374",
                           "S\t3\tResponse\t1\t", "S\t3\tResponse\t1"}) {
    ASSERT_TRUE(readLeadingFields(line, true, f)) << line;
    EXPECT_EQ(f.code, "1");
    readTimeAndDuration(line, f);
    const std::vector<std::string> expected = referenceFields(line);
    EXPECT_EQ(f.time, expected.size() > 4 ? expected[4] : "") << line;
    EXPECT_EQ(f.duration, "") << line;
  }
}

TEST(WordSearch, DecimalsOfEveryLengthMatchStrtod) {
  // Every length from 1 to 20 digits, after every prefix, with the endings that stop the
  // eight-digit path: a letter, a point, an exponent, a digit past fifteen.
  const std::string digits = "98765432109876543210";
  for (size_t n = 1; n <= digits.size(); ++n) {
    for (const char* sign : {"", "-", "+"}) {
      for (const char* ending : {"", "x", ".25", "e2", "E-3", "5", " 7"}) {
        const std::string text = sign + digits.substr(0, n) + ending;
        double value = -1;
        ASSERT_TRUE(readDecimal(text, value)) << text;
        std::string plain = text;
        if (plain.find(' ') != std::string::npos)
          plain.erase(plain.find(' '));
        EXPECT_EQ(value, std::strtod(plain.c_str(), nullptr)) << text;
      }
    }
  }
  // Eight bytes that hold a non-digit anywhere take the byte-wise path.
  for (size_t at = 0; at < 8; ++at) {
    std::string text = "12345678";
    text[at] = ':';
    double value = -1;
    ASSERT_EQ(readDecimal(text, value), at > 0) << text;
    if (at > 0) {
      EXPECT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
    }
  }
}

TEST(WordSearch, CodeTableKeepsFirstAddedOrderThroughGrowth) {
  CodeTable codes;
  std::vector<std::string> added;
  // Codes of every length up to 20 (tails of every size), prefixes of one another, and
  // enough of them to make the table grow several times.
  for (int i = 0; i < 3000; ++i) {
    std::string code = std::to_string(i * 7919) + std::string(static_cast<size_t>(i % 21), 'a');
    if (i % 5 == 0)
      code = code.substr(0, code.size() / 2 + 1);
    bool seen = false;
    for (size_t k = 0; k < added.size() && !seen; ++k)
      seen = added[k] == code;
    const uint32_t index = codes.add(code);
    if (!seen)
      added.push_back(code);
    ASSERT_LT(index, added.size());
    EXPECT_EQ(codes[index], code);
  }
  ASSERT_EQ(codes.size(), added.size());
  for (size_t k = 0; k < added.size(); ++k) {
    EXPECT_EQ(codes.add(added[k]), k);
    EXPECT_EQ(codes[static_cast<uint32_t>(k)], added[k]);
  }
  // Codes of one length that differ in a single byte, wherever it is: short codes are
  // told apart by their bytes alone, in the front cache as in the table.
  CodeTable near;
  std::vector<std::string> nearCodes;
  for (size_t length = 1; length <= 20; ++length) {
    for (size_t at = 0; at < length; ++at) {
      std::string code(length, 'x');
      code[at] = 'y';
      nearCodes.push_back(code);
    }
  }
  for (int round = 0; round < 2; ++round) {
    for (size_t k = 0; k < nearCodes.size(); ++k)
      ASSERT_EQ(near.add(nearCodes[k]), k) << nearCodes[k];
  }
  EXPECT_EQ(codes.add(""), added.size());  // the empty text is a code like any other
  EXPECT_EQ(codes.add(std::string("a\0b", 3)), added.size() + 1);
  EXPECT_EQ(codes.add(std::string("a\0c", 3)), added.size() + 2);
}

}  // namespace
}  // namespace stimforge
