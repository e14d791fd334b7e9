// The 3-D sprite and 3-D font sprite modules: managers, device hooks (sprites
// only: font sprites restore through their sprites and sheets), create, release.
#pragma once

#include <cstdint>

class CFont;
class CSprite3D;
class CSprite3DManager;
class CFontSprite3D;
class CFontSprite3DManager;

namespace KestraSprite3D {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
// Null on failure and while the module is not started.
CSprite3D* Create(uint32_t capacity, uint32_t texCoordSets);
// Ignored while the module is not started.
void Release(CSprite3D* sprite);
CSprite3DManager* GetManager();
}  // namespace KestraSprite3D

namespace KestraFontSprite3D {
bool Initialize();
void Finalize();
bool IsStarted();
CFontSprite3D* Create(const char* list, uint32_t capacity, CFont* font, uint8_t smooth);
CFontSprite3D* CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity, uint32_t formatKind);
void Release(CFontSprite3D* fontSprite);
CFontSprite3DManager* GetManager();
}  // namespace KestraFontSprite3D
