// The rebuild of the host's current protocol in a ConditionOrder (condition_order.h), saved
// under a new name. Shared by the reorder command (an order the user types) and the preset
// orders (a fixed order and a colour scheme).
#ifndef STIMFORGE_EDITING_ORDER_REBUILD_H_
#define STIMFORGE_EDITING_ORDER_REBUILD_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "editing/condition_order.h"
#include "host/protocol_records.h"

namespace stimforge {

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

#endif  // STIMFORGE_EDITING_ORDER_REBUILD_H_
