// The mouse cursor, resources, GDI stock objects and the input-method shell.
#include <SDL.h>

#include <atomic>

#include "platform/win32/sdl_bridge.h"
#include "platform/win32/testing.h"
#include "platform/win32/user.h"
#include "platform/win32/window_internal.h"

namespace {

// Windows' display counter: the cursor shows while it is 0 or more.
std::atomic<int> g_cursorCount{0};

HCURSOR__ g_systemCursor{};
HICON__ g_systemIcon{};
int g_stockObjects[20];
HIMC__ g_inputContext{};

bool IsIntResource(LPCSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

}  // namespace

namespace platform::winui {
void ApplyCursorVisibility() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(g_cursorCount.load() >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

POINT CursorPoint() {
    POINT point{0, 0};
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return point;
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    if (SDL_Window* focus = SDL_GetMouseFocus()) {
        int left = 0, top = 0;
        SDL_GetWindowPosition(focus, &left, &top);
        x += left;
        y += top;
    }
    return {x, y};
}
}  // namespace platform::winui

int ShowCursor(BOOL show) {
    platform::RecordCall(show ? "ShowCursor 1" : "ShowCursor 0");
    int count = show ? ++g_cursorCount : --g_cursorCount;
    platform::winui::ApplyCursorVisibility();
    return count;
}

BOOL ClipCursor(const RECT* rect) {
    SDL_Window* sdl = platform::SdlWindowOf(platform::winui::ActiveWindow());
    if (!sdl) return rect ? FALSE : TRUE;
    if (!rect) {
        SDL_SetWindowMouseRect(sdl, nullptr);
        return TRUE;
    }
    // The rectangle is in screen coordinates; SDL confines within the window.
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_Rect area{rect->left - x, rect->top - y, rect->right - rect->left, rect->bottom - rect->top};
    return SDL_SetWindowMouseRect(sdl, &area) == 0 ? TRUE : FALSE;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    // Asking the display is exact but only allowed on the thread that runs SDL.
    if (SDL_WasInit(SDL_INIT_VIDEO) && platform::winui::OnSdlThread()) {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        *point = {x, y};
    } else {
        *point = platform::winui::CursorPoint();
    }
    return TRUE;
}

// No resources are embedded in the program: named images are never found.
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT load) { return nullptr; }

// System cursors and icons (no module, a numeric id) exist; the module has none.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
    return !instance && IsIntResource(cursorName) ? &g_systemCursor : nullptr;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR iconName) {
    return !instance && IsIntResource(iconName) ? &g_systemIcon : nullptr;
}

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object >= static_cast<int>(sizeof g_stockObjects / sizeof g_stockObjects[0])) return nullptr;
    return &g_stockObjects[object];
}

// No input-method windows exist; the context is a token the caller hands back.
HWND ImmGetDefaultIMEWnd(HWND window) { return nullptr; }

HIMC ImmGetContext(HWND window) { return IsWindow(window) ? &g_inputContext : nullptr; }

BOOL ImmReleaseContext(HWND window, HIMC context) { return TRUE; }
