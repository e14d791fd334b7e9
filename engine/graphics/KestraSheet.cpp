#include "engine/graphics/KestraSheet.h"

#include "engine/core/KestraLog.h"
#include "engine/graphics/CSheet.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraSheet {
namespace {
KestraManagerModule<CSheetManager>& Module() {
    static KestraManagerModule<CSheetManager> module("KestraSheetクラスの初期化", "KestraSheetクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CSheetManager* GetManager() { return Module().Get(); }

CSheet* CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    return Module().Create([&](CSheetManager* m) { return m->CreateFromFile(file, formatKind, colorKey); });
}

CSheet* CreateFromMemory(void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    CSheet* sheet = Module().Create(
        [&](CSheetManager* m) { return m->CreateFromMemory(data, size, formatKind, colorKey); });
    // Without a manager nobody took the block.
    if (!sheet && !Module().Get()) Kestra::MemoryFree(data);
    return sheet;
}

CSheet* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    return Module().Create([&](CSheetManager* m) { return m->CreateFromLAG(archive, entry, formatKind); });
}

void Release(CSheet* sheet) { Module().Release(sheet); }

}  // namespace KestraSheet
