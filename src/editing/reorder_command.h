// Menu choice 3: reorder the conditions of the current protocol as the user types.
#ifndef STIMFORGE_EDITING_REORDER_COMMAND_H_
#define STIMFORGE_EDITING_REORDER_COMMAND_H_

#include <cstddef>

#include "host/protocol_records.h"

namespace stimforge {

// The whole command: lists the conditions, reads the order, rebuilds and saves under the
// "_ordered" name. Writes its prompt and log lines through the host table; execute writes
// "Finished.\n" afterwards.
void runReorderCommand();

// Lists every condition of the current protocol ("%d = %s" per line, whole names) in the
// prompt, asks the host for the order with the default answer "1,2,3,4" and returns the
// host's result unchanged (greater than 0: accepted, the NUL-terminated answer is in
// `answer`).
// Requires: `currentHeader` filled by kwGetProtocol; `answer` holds kDialogBufferSize bytes.
int promptConditionOrder(const ProtocolHeader& currentHeader, char* answer);

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_REORDER_COMMAND_H_
