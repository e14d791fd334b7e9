// The sheet module: its manager, create and release. Sheets own nothing in the
// default pool, so the module has no device hooks.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

class CSheet;
class CSheetManager;

namespace KestraSheet {
bool Initialize();
void Finalize();
bool IsStarted();
// Null on failure and while the module is not started.
CSheet* CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey);
// The block (engine memory) is freed in every case.
CSheet* CreateFromMemory(void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);
CSheet* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind);
void Release(CSheet* sheet);
CSheetManager* GetManager();
}  // namespace KestraSheet
