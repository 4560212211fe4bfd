// Menu answer 4: reorder and recolour the current protocol by a preset analysis type.
#ifndef STIMFORGE_EDITING_PRESET_ORDERS_H_
#define STIMFORGE_EDITING_PRESET_ORDERS_H_

namespace stimforge {

void runPresetOrderCommand();

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_PRESET_ORDERS_H_
