#include "host/protocol_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace stimforge {
namespace {

int32_t int32At(const void* record, size_t offset) {
  int32_t value;
  std::memcpy(&value, static_cast<const char*>(record) + offset, sizeof value);
  return value;
}

TEST(ProtocolRecords, FieldsSitAtTheHostsOffsets) {
  ProtocolHeader header = makeEmptyHeader();
  header.timeResolution = 0x01020304;
  header.colour4 = 0x0A0B0C0D;
  EXPECT_EQ(int32At(&header, 568), 0x01020304);
  EXPECT_EQ(int32At(&header, 588), 0x0A0B0C0D);

  ProtocolCondition condition = makeEmptyCondition();
  int32_t starts[1] = {7};
  condition.intervalStarts = starts;
  condition.colour = 0x3F00C355;
  int32_t* stored;
  std::memcpy(&stored, reinterpret_cast<const char*>(&condition) + 264, sizeof stored);
  EXPECT_EQ(stored, starts);
  EXPECT_EQ(int32At(&condition, 280), 0x3F00C355);
}

TEST(ProtocolRecords, FreshRecordsAreZeroFilled) {
  ProtocolHeader header = makeEmptyHeader();
  ProtocolCondition condition = makeEmptyCondition();
  const std::string zeros(596, '\0');
  EXPECT_EQ(std::memcmp(&header, zeros.data(), sizeof header), 0);
  EXPECT_EQ(std::memcmp(&condition, zeros.data(), sizeof condition), 0);
}

TEST(ApplyHeaderDefaults, SetsTitleColoursAndPenThicknessesOnly) {
  ProtocolHeader header;
  std::memset(&header, 0xAB, sizeof header);
  ProtocolHeader before = header;

  applyHeaderDefaults(header, "run1");

  const auto* bytes = reinterpret_cast<const unsigned char*>(&header);
  const auto* old = reinterpret_cast<const unsigned char*>(&before);
  EXPECT_EQ(std::memcmp(bytes, old, 265), 0) << "bytes 0 to 264 unchanged";
  EXPECT_EQ(std::memcmp(bytes + 566, old + 566, 6), 0) << "bytes 566 to 571 unchanged";
  EXPECT_STREQ(header.protocolTitle, "run1");
  EXPECT_EQ(std::memcmp(bytes + 270, old + 270, 566 - 270), 0) << "nothing after the NUL";
  EXPECT_EQ(int32At(&header, 572), 0);
  EXPECT_EQ(int32At(&header, 576), 0xFFFFFF);
  EXPECT_EQ(int32At(&header, 580), 0xFFFFFF);
  EXPECT_EQ(int32At(&header, 584), 2);
  EXPECT_EQ(int32At(&header, 588), 1056966608);
  EXPECT_EQ(int32At(&header, 592), 2);
}

TEST(ApplyHeaderDefaults, CopiesTitlesAsTheyStand) {
  ProtocolHeader header = makeEmptyHeader();
  applyHeaderDefaults(header, "100% %s %d");
  EXPECT_STREQ(header.protocolTitle, "100% %s %d");
  applyHeaderDefaults(header, "");
  EXPECT_EQ(header.protocolTitle[0], '\0');
}

TEST(ApplyHeaderDefaults, CutsLongTitlesToTheField) {
  ProtocolHeader header = makeEmptyHeader();
  const std::string title(400, 't');
  applyHeaderDefaults(header, title.c_str());
  EXPECT_EQ(std::string(header.protocolTitle), std::string(300, 't'));
  EXPECT_EQ(header.reserved566[0], '\0');
}

TEST(CopyTextField, CutsAndTerminates) {
  char field[4];
  copyTextField(field, sizeof field, "abcdef");
  EXPECT_STREQ(field, "abc");
  copyTextField(field, sizeof field, nullptr);
  EXPECT_STREQ(field, "");
}

TEST(TextFieldLength, StopsAtTheFieldsEndWithoutNul) {
  char field[5] = {'a', 'b', 'c', 'd', 'e'};
  EXPECT_EQ(textFieldLength(field), 5u);
  field[2] = '\0';
  EXPECT_EQ(textFieldLength(field), 2u);
}

}  // namespace
}  // namespace stimforge
