// The texture module: its manager, the device hooks and the game's functions.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

class CTexture;
class CTextureManager;

namespace KestraTexture {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
// Null on failure and while the module is not started.
CTexture* Create(int32_t width, int32_t height, uint32_t formatKind);
CTexture* CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey);
CTexture* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind);
// Drops the caller's reference; null is ignored.
void Release(CTexture* texture);
void AddRef(CTexture* texture);
// The texel offset the sprite draws add (0.5 with filtering, else 0).
void SetTexelOffset(float offset);
float GetTexelOffset();
// 0.0 for a null texture.
float PixelToU(CTexture* texture, float x);
float PixelToV(CTexture* texture, float y);
// The manager while started, else null.
CTextureManager* GetManager();
}  // namespace KestraTexture
