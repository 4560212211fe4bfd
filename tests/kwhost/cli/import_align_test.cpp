// The arithmetic of import --bold/--align: the shift from time zero (floored, also below
// 0) and the intervals the plug-in's shift clamps at 0.
#include <gtest/gtest.h>

#include <vector>

#include "kwhost/cli/import_align.h"

namespace stimforge::kwhost {
namespace {

TEST(ImportAlign, ShiftIsTheFlooredMilliseconds) {
  const struct {
    int64_t tenths;
    int64_t ms;
  } cases[] = {{174181, 17418}, {9, 0}, {0, 0}, {-1, -1}, {-10, -1}, {-11, -2}, {-174181, -17419}};
  for (const auto& c : cases)
    EXPECT_EQ(shiftFromTimeZero(c.tenths), c.ms) << c.tenths;
}

TEST(ImportAlign, IntervalsCutOrMovedWhollyBeforeZero) {
  const struct {
    std::vector<int32_t> starts;
    std::vector<int32_t> ends;
    int64_t amount;
    size_t cut;
    size_t wholly;
  } cases[] = {
      {{0, 100, 500}, {50, 300, 900}, 200, 1, 1},
      {{0, 100}, {200, 300}, 200, 1, 1},  // an end at the new 0 becomes 0-0
      {{0, 100}, {50, 300}, -500, 0, 0},  // later: nothing is cut
      {{1000}, {2000}, 1000, 0, 0},
  };
  for (const auto& c : cases) {
    const ShiftCuts cuts = cutsOfShift(c.starts, c.ends, c.amount);
    EXPECT_EQ(cuts.cut, c.cut);
    EXPECT_EQ(cuts.wholly, c.wholly);
  }
}

}  // namespace
}  // namespace stimforge::kwhost
