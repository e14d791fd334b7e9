// Inside the window layer only: the window table and the message queues shared by
// window.cpp, messages.cpp and sdl_events.cpp.
#pragma once

#include <SDL.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/user.h"

namespace platform::winui {

// Fixed decoration sizes of a captioned window; CreateWindowExA and SetWindowPos
// take exactly this off the outer size, so the client area is what was asked for.
constexpr int kEdge = 2;
constexpr int kFixedFrame = 3;
constexpr int kBorder = 1;
constexpr int kCaption = 19;
constexpr int kFrameX = kEdge + kFixedFrame + kBorder;
constexpr int kFrameY = kEdge + kFixedFrame + kBorder + kCaption;

struct Decoration {
    int width;   // total added to the client width
    int height;  // total added to the client height
    int left;    // client origin inside the outer rectangle
    int top;
};
Decoration DecorationOf(DWORD style);
inline bool HasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

struct WindowRecord {
    HWND handle = nullptr;
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    std::string className;
    std::string title;  // CP932
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT outer{};      // screen coordinates
    int clientWidth = 0;
    int clientHeight = 0;
    SDL_Window* sdl = nullptr;
    Uint32 sdlId = 0;
    int retained = 0;  // RetainSdlWindow holders
    bool alive = true;
    bool destroying = false;
    bool visible = false;
    bool minimized = false;
    std::thread::id owner;
};

// Guards the window table, the class table and every message queue. Window
// procedures are never called with it held.
std::recursive_mutex& Lock();
// The record of a live window, or null (lock held).
WindowRecord* LiveWindow(HWND window);
// The procedure of a live window, or null.
WNDPROC ProcOf(HWND window);
// The live window that holds the application's activation, or null.
HWND ActiveWindow();
// Records an activation change; answers true when it changed (then the caller
// delivers WM_ACTIVATEAPP).
bool SetAppActive(HWND window, bool active);
// Called when a window dies: forgets it as the active window.
void ForgetActiveWindow(HWND window);
// Keeps a window's outer rectangle in step with a move made outside the program.
void NoteSdlMove(HWND window, int x, int y);
// Every live window (SDL_QUIT closes them all).
std::vector<HWND> LiveWindows();
// WM_SETTEXT's default handling: stores the caption and shows it on the SDL window.
BOOL StoreTitle(HWND window, LPCSTR text);

// How a posted input message merges with one still pending for the same window.
enum class Merge {
    None,        // always queue
    Replace,     // replace the pending message of the same kind (mouse moves)
    AddRepeat,   // add to the repeat count of a pending repeat of the same key
    AddWheel,    // add the wheel delta to a pending wheel message
    Unique,      // queue only if none of the same kind is pending (WM_CLOSE)
};
// Posts to the owner thread's queue of a live window; false for dead handles.
bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Merge merge = Merge::None);
// Drops every queued message of a window (it died).
void PurgeWindowMessages(HWND window);

// True on the thread that started SDL: only that thread may pump its events.
bool OnSdlThread();
// The cursor in screen coordinates from SDL's own mouse state: no display
// round trip, safe from any thread (messages carry it in MSG::pt).
POINT CursorPoint();
// Applies the display counter of ShowCursor to SDL once video runs.
void ApplyCursorVisibility();

}  // namespace platform::winui
