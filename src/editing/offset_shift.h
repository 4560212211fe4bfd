// Menu choice 2: shift every interval of the current protocol and save it under a new name.
#ifndef STIMFORGE_EDITING_OFFSET_SHIFT_H_
#define STIMFORGE_EDITING_OFFSET_SHIFT_H_

namespace stimforge {

void runOffsetShiftCommand();

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_OFFSET_SHIFT_H_
