// Reading a condition order from its comma-separated text.
#include "editing/condition_order.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<int32_t> parsed(const char* text, int32_t n, size_t* tokens = nullptr) {
  ConditionOrder order(n);
  const size_t count = parseConditionOrder(text, order);
  if (tokens)
    *tokens = count;
  return order.entries;
}

TEST(ParseConditionOrder, SpacesAndEmptyTokensDoNotMatter) {
  for (const char* text : {"2,0,1", " 2 , 0 ,1 ", ",,2,,0,1,", "\t2,\n0, 1"})
    EXPECT_THAT(parsed(text, 3), ElementsAre(2, 0, 1)) << text;
}

TEST(ParseConditionOrder, TokensConvertLikeAtoi) {
  EXPECT_THAT(parsed("x,1,2", 3), ElementsAre(0, 1, 2));
  EXPECT_THAT(parsed("2.9,1x,+2", 3), ElementsAre(2, 1, 2));
  EXPECT_THAT(parsed("-1,- 1,--1", 3), ElementsAre(-1, 0, 0));
  // Spaces are not separators: one token, and the number ends at the first space.
  size_t tokens = 0;
  EXPECT_THAT(parsed("2 1 0", 3, &tokens), ElementsAre(2, 0, 0));
  EXPECT_EQ(tokens, 1u);
  // A token of spaces alone is a token, and gives 0.
  EXPECT_THAT(parsed(" ,2", 2, &tokens), ElementsAre(0, 2));
  EXPECT_EQ(tokens, 2u);
}

TEST(ParseConditionOrder, NumbersPastTheInt32RangeSaturate) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  EXPECT_THAT(parsed("2147483647,2147483648,99999999999999999999", 3),
              ElementsAre(kMax, kMax, kMax));
  EXPECT_THAT(parsed("-2147483648,-2147483649,-99999999999999999999", 3),
              ElementsAre(kMin, kMin, kMin));
}

TEST(ParseConditionOrder, EntriesWithoutATokenKeepTheirValueAndExtraTokensHaveNoEffect) {
  size_t tokens = 0;
  EXPECT_THAT(parsed("1", 3, &tokens), ElementsAre(1, 0, 0));
  EXPECT_EQ(tokens, 1u);
  EXPECT_THAT(parsed("0,1,2,3,4", 3, &tokens), ElementsAre(0, 1, 2));
  EXPECT_EQ(tokens, 5u);
  EXPECT_THAT(parsed("4,3", 0, &tokens), ElementsAre());
  EXPECT_EQ(tokens, 2u);

  ConditionOrder order(3);
  order.entries = {7, 8, 9};
  EXPECT_EQ(parseConditionOrder("5", order), 1u);
  EXPECT_THAT(order.entries, ElementsAre(5, 8, 9));
}

TEST(ParseConditionOrder, NoTokenAtAllIsCountedAsNone) {
  for (const char* text : {"", ",", ",,,", static_cast<const char*>(nullptr)}) {
    size_t tokens = 99;
    EXPECT_THAT(parsed(text, 2, &tokens), ElementsAre(0, 0));
    EXPECT_EQ(tokens, 0u);
  }
}

TEST(ConditionOrder, NegativeCountGivesAnEmptyOrder) {
  EXPECT_THAT(ConditionOrder(-3).entries, ElementsAre());
  EXPECT_THAT(ConditionOrder(4).entries, ElementsAreArray({0, 0, 0, 0}));
}

}  // namespace
}  // namespace stimforge
