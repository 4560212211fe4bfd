#include "editing/reorder_command.h"

#include <string>

#include "editing/condition_order.h"
#include "editing/edit_support.h"
#include "editing/order_rebuild.h"
#include "host/host_api.h"

namespace stimforge {

int promptConditionOrder(const ProtocolHeader& currentHeader, char* answer) {
  const HostApi& host = hostApi();
  // Grown as needed: the listing holds every condition, however many and however long.
  std::string prompt = "Please enter the new order for the conditions, separated by comma's:\n";
  for (int32_t i = 0; i < currentHeader.numberOfConditions; ++i) {
    ProtocolCondition record = makeEmptyCondition();
    host.kwGetProtocolCondition(i, &record);
    prompt += std::to_string(i);
    prompt += " = ";
    prompt += conditionName(record);
    prompt += '\n';
  }
  prompt += "\nExample: 3,4,5,1,6,2,7\n";
  const int result = host.kwGetTextInput(prompt.c_str(), "1,2,3,4", answer);
  // The answer is read as a text: it ends inside the buffer whatever the host wrote.
  answer[kDialogBufferSize - 1] = '\0';
  return result;
}

void runReorderCommand() {
  const HostApi& host = hostApi();
  ProtocolHeader currentHeader = makeEmptyHeader();
  // Only exactly 1 counts as a protocol here (the offset shift takes any result of 1 or more).
  if (host.kwGetProtocol(&currentHeader) != 1) {
    host.kwLogText("Protocol header could not be retrieved.");
    return;
  }
  ConditionOrder order(currentHeader.numberOfConditions);
  char answer[kDialogBufferSize] = {};
  if (promptConditionOrder(currentHeader, answer) <= 0) {
    host.kwLogText("User canceled protocol sorting.");
    return;
  }
  // An answer without a single number would put condition 0 at every position. A protocol
  // without conditions needs no number, so there any answer is a complete order.
  if (parseConditionOrder(answer, order) == 0 && !order.entries.empty()) {
    logRefusal("No condition order was given.");
    return;
  }
  if (rebuildInOrder(currentHeader, order))
    host.kwLogText("Plugin operations finished successfully.");
}

}  // namespace stimforge
