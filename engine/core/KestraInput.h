// Keyboard, joysticks and the mouse feeders of the window procedure. At present
// the module starts, updates and finishes without reading any device.
#pragma once

#include <cstdint>

namespace KestraInput {
bool Initialize();
void Finalize();
// Reads the devices once a frame.
void Update();
bool IsStarted();

// Fed by the window procedure.
void SetLeftDoubleClick();
void SetRightDoubleClick();
void SetMiddleDoubleClick();
// The signed wheel delta (WHEEL_DELTA units).
void AddMouseWheel(int32_t delta);
}  // namespace KestraInput
