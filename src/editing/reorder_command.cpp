#include "editing/reorder_command.h"

#include "host/host_api.h"

namespace stimforge {

void runReorderCommand() {
  hostApi().kwLogText("This command is not available yet.");
}

}  // namespace stimforge
