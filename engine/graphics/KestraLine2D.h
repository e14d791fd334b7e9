// The modules of the screen-space point and line lists: manager, device hooks,
// create and release, and the screen-space broadcasts.
#pragma once

#include <cstdint>

class CPoint2D;
class CLine2D;
class CPoint2DManager;
class CLine2DManager;

namespace KestraPoint2D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
// Null on failure and while the module is not started.
CPoint2D* Create(uint32_t capacity);
void Release(CPoint2D* points);
CPoint2DManager* GetManager();
}  // namespace KestraPoint2D

namespace KestraLine2D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
CLine2D* Create(uint32_t capacity);
void Release(CLine2D* lines);
CLine2DManager* GetManager();
}  // namespace KestraLine2D
