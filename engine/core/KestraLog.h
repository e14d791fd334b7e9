// The run's HTML log, the zero-filling allocator and the lock they share.
#pragma once

#include <cstdint>

#include "engine/core/CCriticalSection.h"

namespace Kestra {

// Names the log "name.type" (or "name" when type is null) in the program folder
// and deletes the previous run's file of that name. The boot opens it.
void SetLogFile(const char* name, const char* type);

// Writers: printf-style, no line break added, flushed at once, silent while the
// log is closed. Pass outside texts as "%s" arguments, never as the format.
void LogPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogBold(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogBlue(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogRed(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogGreen(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogHeadline(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogNewLine();

// Zero-filled heap blocks, under the log lock. Null when the heap has no room.
void* MemoryAlloc(uint32_t size);
void MemoryFree(void* block);
// A block of loaded data (a whole file read, a decoded one): as MemoryAlloc,
// its bytes counted against the process's budget for loaded data until
// MemoryFree. Null also when the budget has fewer left.
void* MemoryAllocLoaded(uint32_t size);
// The bytes loaded data may still take.
uint64_t LoadedMemoryLeft();

// The lock shared by the log and the allocator.
CCriticalSection& LogLock();

// Opened by the boot after the configuration: makes the named file new in the
// current directory (a text file: "\n" goes to disk as CR LF), replacing what
// stood at the name, and writes the HTML head with the title. False when no name
// was set or the file cannot be made; the writers then stay silent.
bool OpenLog(const char* title);
// Writes the closing tags and closes the file (nothing when it is not open).
void CloseLog();
bool IsLogOpen();

}  // namespace Kestra
