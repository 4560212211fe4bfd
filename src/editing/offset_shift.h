// Menu choice 2: shift every interval of the current protocol and save it under a new name.
#ifndef STIMFORGE_EDITING_OFFSET_SHIFT_H_
#define STIMFORGE_EDITING_OFFSET_SHIFT_H_

#include <cstdint>

#include "host/protocol_records.h"

namespace stimforge {

// shiftDirection values: subtract (earlier) or add (later). Any value but kShiftSubtract adds.
constexpr int kShiftSubtract = 1;
constexpr int kShiftAdd = 2;

// The whole dialogue: asks for the amount and the direction, shifts and saves. Writes its
// prompts and log lines through the host table; execute writes "Finished.\n" afterwards.
void runOffsetShiftCommand();

// Moves every interval of the host's current protocol by `amount`, in place in the host's own
// interval arrays: subtracting clamps both ends at 0, adding never goes past INT32_MAX. Logs
// each interval before and after, then has the host save the protocol as
// withSuffixBeforeExtension(fileName, "_min<amount>" or "_plus<amount>") and logs that name.
// Returns true once the save was asked for. Returns false, having logged the reason and
// "Cancelled further operations." and having changed and saved nothing, when the new name
// would be longer than 260 characters or when adding would take an interval past INT32_MAX.
// Requires: `header` filled by kwGetProtocol; amount >= 0.
[[nodiscard]] bool shiftIntervalOffsets(const ProtocolHeader& header, int shiftDirection,
                                        int32_t amount);

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_OFFSET_SHIFT_H_
