// Fibers: only the table's memory.
#include "engine/core/KestraFiber.h"

#include "engine/core/Kestra.h"

namespace {
constexpr uint32_t kFiberRecords = 64;
constexpr uint32_t kFiberRecordSize = 64;
void* g_memory = nullptr;
}  // namespace

namespace KestraFiber {

bool Initialize() {
    if (g_memory) return true;
    Kestra::LogHeadline("KestraFiberクラスの初期化");
    Kestra::LogBold("ファイバークラス用メモリ確保");
    Kestra::LogNewLine();
    g_memory = Kestra::MemoryAlloc(kFiberRecords * kFiberRecordSize);
    if (!g_memory) {
        Kestra::LogRed("　　　ファイバークラス用メモリの確保に失敗");
        Kestra::LogNewLine();
        return false;
    }
    return true;
}

void Finalize() {
    if (!g_memory) return;
    Kestra::LogHeadline("KestraFiberクラスの解放");
    Kestra::MemoryFree(g_memory);
    g_memory = nullptr;
}

bool IsStarted() { return g_memory != nullptr; }

}  // namespace KestraFiber
