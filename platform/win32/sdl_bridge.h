// Inside the platform layer only: how other components reach the SDL window and
// the events the window layer pumps. Never included outside platform/.
#pragma once

#include <SDL.h>

#include "platform/win32/types.h"

namespace platform {
// The SDL window behind a window handle (null for unknown or destroyed handles).
SDL_Window* SdlWindowOf(HWND window);
// The window handle of an SDL window id, or null.
HWND WindowOfSdlId(Uint32 windowId);
// Initialises SDL subsystems on first use; answers false when SDL cannot start.
// The video starts only on a driver that shows windows, or on one that
// SDL_VIDEODRIVER names; otherwise one line on standard error says there is no
// display.
bool EnsureSdl(Uint32 subsystems);
// Whether SDL's video driver `driver` may serve: any that shows windows, and
// "offscreen" or "dummy" only when the request (SDL_VIDEODRIVER's list) names it.
bool VideoDriverAccepted(const char* driver, const char* requested);
// Observers see every SDL event the window layer pumps, before it is translated
// into window messages (input devices read key and joystick events this way).
using SdlEventObserver = void (*)(const SDL_Event& event, void* user);
void AddSdlEventObserver(SdlEventObserver observer, void* user);
void RemoveSdlEventObserver(SdlEventObserver observer, void* user);
// Pumps SDL's queue now: translates window events into queued messages and feeds
// the observers. PeekMessageA calls it; input devices may call it too.
void PumpSdlEvents();
}  // namespace platform

namespace platform {
// A window's SDL window outlives DestroyWindow while a drawing device holds it
// (the device is released after the window closes): the device retains it while
// it exists and releases it when done; the last holder destroys it for real.
void RetainSdlWindow(HWND window);
void ReleaseSdlWindow(HWND window);
}  // namespace platform

namespace platform {
// Marks the OpenGL libraries loaded so far as never to be unloaded; called after
// a GL window or context is made.
void KeepGlLibrariesResident();
}  // namespace platform
