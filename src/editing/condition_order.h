// The order in which a rebuilt protocol takes the current protocol's conditions, how it is
// read from a comma-separated text, and the rebuild itself. Shared by the reorder command
// (an order the user types) and the preset orders (a fixed order and a colour scheme).
#ifndef STIMFORGE_EDITING_CONDITION_ORDER_H_
#define STIMFORGE_EDITING_CONDITION_ORDER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
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

// The colour handed to the host for the condition at a new position, given the colour the
// condition had.
using PositionColour = std::function<int32_t(size_t position, int32_t ownColour)>;

// Rebuilds the host's current protocol in `order`: fetches the condition of every position
// (logging its name, interval count and old index) and copies its intervals, then clears the
// host's protocol, adds the conditions and their intervals from the copies, hands the host a
// new header (title from the current one, defaults from applyHeaderDefaults, the current
// timeResolution, the new file name) and has it save the protocol under
// withSuffixBeforeExtension(current fileName, suffix), which it logs. Nothing read from the
// host's arrays after the clear is used.
// Returns true once the save was asked for. Returns false, having logged the reason and
// "Cancelled further operations." and having changed nothing, when an entry names a
// condition the protocol does not have or the new name would be longer than 260 characters.
// Requires: `currentHeader` filled by kwGetProtocol, `order` made from its
// numberOfConditions.
[[nodiscard]] bool rebuildInOrderWith(const ProtocolHeader& currentHeader,
                                      const ConditionOrder& order, const std::string& suffix,
                                      const PositionColour& colourAt);

// The rebuild of the reorder command: every condition keeps its colour; the suffix is
// "_ordered". Result and failures as rebuildInOrderWith.
[[nodiscard]] bool rebuildInOrder(const ProtocolHeader& currentHeader, const ConditionOrder& order);

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_CONDITION_ORDER_H_
