// The 2-D primitive module: its manager, the device hooks and the screen-space
// broadcasts.
#pragma once

#include <cstdint>

class CPrimitive2D;
class CPrimitive2DManager;

namespace KestraPrimitive2D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
// Null on failure and while the module is not started.
CPrimitive2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort);
void Release(CPrimitive2D* primitive);
CPrimitive2DManager* GetManager();
}  // namespace KestraPrimitive2D
