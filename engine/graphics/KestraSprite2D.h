// The 2-D sprite module: its manager, the device hooks, the screen-space
// broadcasts and the game's drawing functions (which ignore a null sprite).
#pragma once

#include <cstdint>

#include "engine/core/KestraMath.h"

class CSprite2D;
class CSprite2DManager;
class CTexture;

namespace KestraSprite2D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
// Null on failure and while the module is not started.
CSprite2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort);
void Release(CSprite2D* sprite);
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
void SetTexture(CSprite2D* sprite, uint32_t stage, CTexture* texture);
void Begin(CSprite2D* sprite);
void End(CSprite2D* sprite);
void Render(CSprite2D* sprite);
void DrawSquare(CSprite2D* sprite, const float* dst, float z, const float* src, uint32_t color, uint32_t stageCount);
void DrawSquareRotate(CSprite2D* sprite, const float* dst, float z, const float* src, uint32_t color,
                      Kestra::Angle16 angle, uint32_t stageCount, float offsetX, float offsetY);
CSprite2DManager* GetManager();
}  // namespace KestraSprite2D
