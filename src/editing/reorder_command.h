// Menu choice 3: reorder the conditions of the current protocol as the user types.
#ifndef STIMFORGE_EDITING_REORDER_COMMAND_H_
#define STIMFORGE_EDITING_REORDER_COMMAND_H_

namespace stimforge {

void runReorderCommand();

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_REORDER_COMMAND_H_
