// Micro threads: a table of cooperative threads that pass one baton. This system
// starts none; the main thread's record and the end check are what run.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

struct KestraMicroThreadRecord {
    int32_t next;
    int32_t previous;
    DWORD threadId;
    HANDLE thread;
    HANDLE semaphore;
    int64_t lastTurn;    // counter at the end of the last turn
    uint32_t idleFrames;  // frames since the previous turn
    uint8_t active;
    void (*onEnd)(int32_t);
};

namespace KestraMicroThread {
constexpr int32_t kRecordCount = 33;
constexpr int32_t kMainRecord = 32;

// Allocates the record table.
bool Initialize();
// Frees the record table.
void Finalize();
// Makes the current thread the main record and links the list.
void StartMain();
void UpdateList();
// Ends every micro thread, then the main record's semaphore.
void Exit();
// Hands the baton to the next record (-1 = the main record).
void Switch(int32_t index);
// True when no thread is watched or the watched one has ended.
bool CheckEnd();
// The record table (null outside Initialize/Finalize).
const KestraMicroThreadRecord* GetRecords();
}  // namespace KestraMicroThread
