// Test hooks of the platform layer: fault injection, message-box recording, the
// virtual clock and the program-folder override. A real run uses none of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// ---- Fault injection. A named call fails when armed: `after` successful calls
// pass first, then `count` calls fail (count < 0: every call from then on).
// Names are the platform function names, with a qualifier where one call has
// several faults, e.g. "CreateFileA", "ReadFile.short", "LoadLibraryA:Torvi.dll",
// "GetProcAddress:Torvi_Initialize", "CreateMutexA.owned", "RegisterClassA",
// "CreateFileA.taken" (an exclusive create finds its name taken), "FlushFileBuffers",
// "MoveFileExA.sync" (a written-through rename cannot flush its folder).
void InjectFault(const std::string& name, int after = 0, int count = -1);
void ClearFaults();
// Platform code asks this at each injectable call; true means "fail now".
bool FaultHit(const std::string& name);

// ---- Kernel handles: how many are open, so a test can tell that a path gave
// back every handle it took.
size_t OpenHandleCount();

// ---- Message boxes. Recording is on when the environment has
// KESTRA_MSGBOX_RECORD (a file each box is appended to, as caption TAB text TAB
// flags LF, in CP932) or after SetMessageBoxRecording(true).
struct RecordedMessageBox {
    std::string caption;  // CP932
    std::string text;     // CP932
    unsigned flags;
};
void SetMessageBoxRecording(bool on);
std::vector<RecordedMessageBox> RecordedMessageBoxes();
void ClearRecordedMessageBoxes();

// ---- Virtual clock: QueryPerformanceCounter, timeGetTime, GetTickCount and the
// sleeps read and advance it instead of the real clock. The counter frequency is
// 10 MHz in both modes.
constexpr int64_t kCounterFrequency = 10'000'000;
void UseVirtualClock(bool on);
bool VirtualClockActive();
void AdvanceVirtualClock(int64_t ticks);
int64_t VirtualClockNow();
// Called whenever a sleep runs on the virtual clock (after it advanced time).
struct SleepRecord {
    uint32_t milliseconds;
    int64_t at;
};
std::vector<SleepRecord> VirtualSleeps();
void ClearVirtualSleeps();
// Optional callback run by every virtual sleep and counter read: lets a test
// simulate work or inject events at given times.
using ClockHook = void (*)(void* user);
void SetVirtualClockHook(ClockHook hook, void* user);

// ---- Wall clock: while set, _time32 and _time64 answer these seconds since
// 1970 instead of the system's, so a test decides what the runtime's generator
// is seeded with and which day it is. Apart from the virtual clock.
void SetWallClock(int64_t seconds);
void ClearWallClock();

// ---- Program folder: with KESTRA_PROGRAM_DIR set (or SetProgramFolderOverride),
// GetModuleFileNameA answers a path inside that folder, so a test can run the
// engine's boot in a scratch folder.
void SetProgramFolderOverride(const std::string& folder);

// ---- Recording of window-layer calls for tests of call order: every
// SetWindowLongA(GWL_STYLE), SetWindowPos, SetWindowTextA, ShowCursor is appended
// as a line of text ("SetWindowPos hwnd=-1 0 0 640 480 0" and the like), and so
// are the engine's music calls (KestraSound::CreateFromFile, Loop, SetVolume, Release).
void SetCallRecording(bool on);
bool CallRecordingOn();
void RecordCall(const std::string& line);
std::vector<std::string> RecordedCalls();
void ClearRecordedCalls();

}  // namespace platform
