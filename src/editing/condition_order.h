// The order in which a rebuilt protocol takes the current protocol's conditions, and how it
// is read from a comma-separated text and checked. The rebuild in such an order is in
// order_rebuild.h.
#ifndef STIMFORGE_EDITING_CONDITION_ORDER_H_
#define STIMFORGE_EDITING_CONDITION_ORDER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/protocol_records.h"

namespace stimforge {

// One entry per condition of the current protocol, all 0 when made. Entry k is the index of
// the current condition that goes to new position k. The same index may stand at several
// positions; a condition that stands at none is dropped from the rebuilt protocol.
struct ConditionOrder {
  explicit ConditionOrder(int32_t numberOfConditions)
      : entries(static_cast<size_t>(numberOfConditions > 0 ? numberOfConditions : 0), 0) {}
  std::vector<int32_t> entries;
};

// Fills `order` from a comma-separated text and returns the number of tokens the text holds.
// A token is a maximal run of characters other than the comma (spaces are not separators, and
// commas never make empty tokens). Token j converts like atoi: leading white space, an optional
// sign, then decimal digits up to the first other character ("2.9" gives 2); anything else
// gives 0; values beyond the 32-bit range saturate. Token j goes to entry j; entries without a
// token keep their value and tokens beyond the last entry have no effect.
size_t parseConditionOrder(const char* text, ConditionOrder& order);

// Refuses an order that names a condition the protocol does not have: logs "Condition index
// %d does not exist; the protocol has conditions 0 to %d." for the first such entry, then
// "Cancelled further operations.", and returns false. Returns true, logging nothing, when
// every entry lies in 0 to entries.size() - 1.
[[nodiscard]] bool checkConditionOrder(const ConditionOrder& order);

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_CONDITION_ORDER_H_
