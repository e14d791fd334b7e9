// The application frame: boot, configuration, window, message pump and pacing.
#pragma once

#include <cstdint>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraRandom.h"
#include "platform/win32/win32.h"

// Optional modules that Kestra::Start starts and Kestra::Finalize ends.
enum KestraUseFlags : uint32_t {
    KESTRA_USE_INPUT = 1,
    KESTRA_USE_SOUND = 2,
    KESTRA_USE_MUSIC = 4,
    KESTRA_USE_MEDIA = 8,
    KESTRA_USE_CDDA = 16,
    KESTRA_USE_FIBER = 32,
};

namespace Kestra {

// The library banner: default application name and the log's version line.
extern const char kLibraryBanner[];

// ---- The game's three functions, handed over before Boot.
using ConfigureFunction = bool (*)();
using MainFunction = void (*)(int argc, char** argv);
using MessageHook = void (*)(UINT message, WPARAM wParam, LPARAM lParam);
void SetGameFunctions(ConfigureFunction configure, MainFunction main, MessageHook hook);

// The whole run from WinMain: configuration, log, window, the game, shutdown. Returns 0.
int Boot(HINSTANCE instance, int argc, char** argv);

// Window and always-on modules (called by Boot).
bool Initialize();
bool CreateMainWindow();
// Device, managers and optional modules: the game's first call. False on any failure.
bool Start();
// Ends what Start and Initialize started (only after Start).
void Finalize();

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Configuration (from the configuration callback)
void SetApplicationName(const char* name);
const char* GetApplicationName();
void SetScreenInfo(int32_t width, int32_t height, bool windowed);
void GetScreenInfo(uint32_t* width, uint32_t* height, bool* windowed);
void SetFrameRate(uint32_t framesPerSecond);
uint32_t GetFrameRate();
void SetUseFlags(uint32_t flags);
uint32_t GetUseFlags();
void EnableCaptionStats();
void EnableMouseCursor();

// ---- Getters and small operations
HINSTANCE GetInstanceHandle();
HWND GetWindowHandle();
double ScaleX(float x);
double ScaleY(float y);
const char* GetProgramFolder();
void ResetCurrentDirectory();
int64_t GetPerformanceCounter();
int64_t GetPerformanceFrequency();
bool IsActive();
void ChangeWindowStyle();
// Error box over the window; the text is cut at a whole character when too long.
void MessageBox(uint32_t flags, const char* caption, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Asks the application to end (the window closes, the loop ends).
void Exit();

// ---- Message pump and frame pacing
// One frame: false once the application is ending.
bool WaitForMessage(bool force);
void SyncFrame();
void AddPolygonCount(uint32_t count);
void AddPolygonCount3D(uint32_t count);

// Drops a COM-style reference if there is one and forgets the pointer.
template <class T>
void SafeRelease(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace Kestra
