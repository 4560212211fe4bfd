// Menu answer 4: reorder and recolour the current protocol by a preset analysis type.
#ifndef STIMFORGE_EDITING_PRESET_ORDERS_H_
#define STIMFORGE_EDITING_PRESET_ORDERS_H_

#include <cstddef>
#include <cstdint>

#include "editing/order_rebuild.h"
#include "host/protocol_records.h"

namespace stimforge {

// Analysis types run from 1 to kAnalysisTypeCount.
constexpr int kAnalysisTypeCount = 7;

// The whole command: asks for the analysis type, rebuilds the protocol in that type's order
// and colours and saves it under the "_ordered_colored" name. A type of 0 or less changes
// nothing and counts as done. Writes its prompt and log lines through the host table;
// execute writes "Finished.\n" afterwards.
void runPresetOrderCommand();

// The comma-separated order of an analysis type (1 to 7), as parseConditionOrder reads it;
// null for any other type. Static storage.
const char* presetOrderText(int analysisType);

// The colour value (without the condition colour base 0x3F000000) that the analysis type's
// scheme gives to a new position; 0 for a position beyond the scheme and for a type outside
// 1 to 7.
int32_t schemeColour(size_t position, int analysisType);

// The rebuild of rebuildInOrder with two differences: the condition at new position k gets
// the colour kConditionColourBase + schemeColour(k, analysisType), and the protocol is saved
// under the "_ordered_colored" name. Result and failures as rebuildInOrderWith.
[[nodiscard]] bool rebuildInOrderColoured(const ProtocolHeader& currentHeader,
                                          const ConditionOrder& order, int analysisType);

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_PRESET_ORDERS_H_
