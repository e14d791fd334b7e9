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
    CCriticalSectionLock hold(Module().Lock());
    return Module().Get() ? Module().Get()->CreateFromFile(file, formatKind, colorKey) : nullptr;
}

CSheet* CreateFromMemory(void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    CCriticalSectionLock hold(Module().Lock());
    if (!Module().Get()) {
        Kestra::MemoryFree(data);
        return nullptr;
    }
    return Module().Get()->CreateFromMemory(data, size, formatKind, colorKey);
}

CSheet* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    CCriticalSectionLock hold(Module().Lock());
    return Module().Get() ? Module().Get()->CreateFromLAG(archive, entry, formatKind) : nullptr;
}

void Release(CSheet* sheet) {
    if (!sheet) return;
    CCriticalSectionLock hold(Module().Lock());
    sheet->Release();
}

}  // namespace KestraSheet
