// The modules of the world-space point, line and triangle lists: manager, device
// hooks, create and release.
#pragma once

#include <cstdint>

class CPoint3D;
class CLine3D;
class CPrimitive3D;
class CPoint3DManager;
class CLine3DManager;
class CPrimitive3DManager;

namespace KestraPoint3D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
// Null on failure and while the module is not started.
CPoint3D* Create(uint32_t capacity);
void Release(CPoint3D* points);
CPoint3DManager* GetManager();
}  // namespace KestraPoint3D

namespace KestraLine3D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
CLine3D* Create(uint32_t capacity);
void Release(CLine3D* lines);
CLine3DManager* GetManager();
}  // namespace KestraLine3D

namespace KestraPrimitive3D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
CPrimitive3D* Create(uint32_t capacity, uint32_t texCoordSets);
void Release(CPrimitive3D* primitive);
CPrimitive3DManager* GetManager();
}  // namespace KestraPrimitive3D
