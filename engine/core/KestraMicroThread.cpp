// Micro threads.
#include "engine/core/KestraMicroThread.h"

#include "engine/core/Kestra.h"
#include "platform/win32/win32.h"

namespace {

KestraMicroThreadRecord* g_records = nullptr;
HANDLE g_watched = nullptr;  // a thread whose end the window waits for

void ClearRecord(KestraMicroThreadRecord& record) {
    record = KestraMicroThreadRecord{};
    record.next = -1;
    record.previous = -1;
}

}  // namespace

namespace KestraMicroThread {

bool Initialize() {
    if (g_records) return true;
    g_records = static_cast<KestraMicroThreadRecord*>(
        Kestra::MemoryAlloc(static_cast<uint32_t>(sizeof(KestraMicroThreadRecord) * kRecordCount)));
    if (!g_records) return false;
    for (int32_t i = 0; i < kRecordCount; ++i) ClearRecord(g_records[i]);
    return true;
}

void Finalize() {
    if (!g_records) return;
    Kestra::MemoryFree(g_records);
    g_records = nullptr;
}

void StartMain() {
    if (!g_records) return;
    Kestra::LogGreen("KestraMicroThread::メインマイクロスレッドの起動");
    Kestra::LogNewLine();
    KestraMicroThreadRecord& main = g_records[kMainRecord];
    main.thread = GetCurrentThread();
    main.threadId = GetCurrentThreadId();
    main.active = 1;
    main.semaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    main.lastTurn = Kestra::GetPerformanceCounter();
    UpdateList();
}

void UpdateList() {
    if (!g_records) return;
    Kestra::LogBlue("KestraMicroThread::UpdateList");
    Kestra::LogNewLine();
    int32_t previous = kMainRecord;
    for (int32_t i = 0; i < kRecordCount; ++i) {
        KestraMicroThreadRecord& record = g_records[i];
        if (!record.thread) continue;
        int32_t next = i;
        for (int32_t step = 1; step <= kRecordCount; ++step) {
            const int32_t candidate = (i + step) % kRecordCount;
            if (g_records[candidate].thread) {
                next = candidate;
                break;
            }
        }
        record.next = next;
        record.previous = previous;
        previous = i;
        Kestra::LogPrint("　[%02d] -> [%02d]", i, next);
        Kestra::LogNewLine();
    }
}

void Exit() {
    if (!g_records) return;
    for (int32_t i = 0; i < kMainRecord; ++i) {
        KestraMicroThreadRecord& record = g_records[i];
        if (!record.thread) continue;
        Kestra::LogBlue("KestraMicroThread::Exit");
        Kestra::LogPrint(" : [%02d] : ", i);
        record.active = 0;
        Kestra::LogGreen("Success!");
        Kestra::LogNewLine();
        while (record.thread && WaitForSingleObject(record.thread, 0) != WAIT_OBJECT_0) Switch(-1);
    }
    KestraMicroThreadRecord& main = g_records[kMainRecord];
    if (main.semaphore) CloseHandle(main.semaphore);
    main.semaphore = nullptr;
    Kestra::LogGreen("KestraMicroThread::全マイクロスレッドの終了");
    Kestra::LogNewLine();
}

void Switch(int32_t index) {
    if (!g_records) return;
    const int32_t self = index < 0 ? kMainRecord : index;
    if (self >= kRecordCount) return;
    KestraMicroThreadRecord& record = g_records[self];
    const int32_t next = record.next;
    if (next >= 0 && next != self && g_records[next].semaphore) {
        ReleaseSemaphore(g_records[next].semaphore, 1, nullptr);
        if (record.semaphore) WaitForSingleObject(record.semaphore, INFINITE);
    }
    const int64_t now = Kestra::GetPerformanceCounter();
    const int64_t frequency = Kestra::GetPerformanceFrequency();
    // Multiply first: a turn shorter than a second is still a number of frames.
    record.idleFrames = frequency > 0
        ? static_cast<uint32_t>((now - record.lastTurn) * static_cast<int64_t>(Kestra::GetFrameRate()) / frequency)
        : 0;
    record.lastTurn = now;
}

bool CheckEnd() {
    if (!g_watched) return true;
    if (WaitForSingleObject(g_watched, 0) == WAIT_OBJECT_0) {
        CloseHandle(g_watched);
        g_watched = nullptr;
        return true;
    }
    return false;
}

const KestraMicroThreadRecord* GetRecords() { return g_records; }

}  // namespace KestraMicroThread
