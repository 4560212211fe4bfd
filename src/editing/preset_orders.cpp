#include "editing/preset_orders.h"

#include "host/host_api.h"

namespace stimforge {

void runPresetOrderCommand() {
  hostApi().kwLogText("This command is not available yet.");
}

}  // namespace stimforge
