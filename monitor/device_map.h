#pragma once
// Where the device areas lie in the module's data memory, per model group, and the join of
// two bytes read from the module into one unsigned 16-bit value.

#include <cstdint>

#include "compiler/studio_state.h"

namespace monitor {

// 1: models 1, 3 and 5; 2: model 2; 3: every other code (4 and 10 in use).
int ModelGroup(int plcModel);

// The map of the model's group.
compiler::DeviceMap DeviceMapFor(int plcModel);

// Overwrites every start and size of studio.monitor.map from the document's PlcModel.
// Run after a model is chosen and after a program file is opened.
void SetDeviceMap(compiler::Studio& studio);

// lo + 256 x hi, 0..65535.
inline int32_t HexWord(uint8_t lo, uint8_t hi) { return static_cast<int32_t>(hi) * 256 + lo; }

}  // namespace monitor
