#include "editing/offset_shift.h"

#include "host/host_api.h"

namespace stimforge {

void runOffsetShiftCommand() {
  hostApi().kwLogText("This command is not available yet.");
}

}  // namespace stimforge
