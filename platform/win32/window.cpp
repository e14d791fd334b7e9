// Window classes and windows on SDL2: every window is an SDL window made for
// OpenGL, created hidden; its Win32 geometry (outer rectangle, style) is kept here.
#include <SDL.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "platform/win32/cp932.h"
#include "platform/win32/kernel.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/shift_jis.h"
#include "platform/win32/testing.h"
#include "platform/win32/user.h"
#include "platform/win32/window_internal.h"

namespace platform::winui {
namespace {

constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorCannotFindClass = 1407;
constexpr DWORD kErrorClassAlreadyExists = 1410;
constexpr DWORD kErrorClassHasWindows = 1412;
constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kWsExTopmost = 0x00000008;

struct ClassRecord {
    WNDCLASSA info{};
    std::string name;
    ATOM atom = 0;
};

// Class names compare without regard to ASCII case, as Windows compares them.
std::string ClassKey(const char* name) {
    std::string key = name ? name : "";
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

struct State {
    std::map<std::string, ClassRecord> classes;
    ATOM nextAtom = 0xC000;
    // Dead windows stay here while a drawing device still retains their SDL window.
    std::map<HWND, std::unique_ptr<WindowRecord>> windows;
    uintptr_t nextHandle = 0x10000;
    bool appActive = false;
    HWND activeWindow = nullptr;
};

State& S() {
    static State* state = new State;  // lives to process exit: windows may be touched from atexit paths
    return *state;
}

WindowRecord* AnyWindow(HWND window) {
    auto it = S().windows.find(window);
    return it == S().windows.end() ? nullptr : it->second.get();
}

// Destroys the SDL side of a dead window once nobody retains it (lock held).
void DropIfUnused(HWND window) {
    WindowRecord* record = AnyWindow(window);
    if (!record || record->alive || record->retained > 0) return;
    if (record->sdl) SDL_DestroyWindow(record->sdl);
    S().windows.erase(window);
}

const char* InsertAfterName(HWND insertAfter, char* buffer, size_t size) {
    if (insertAfter == HWND_TOPMOST) return "HWND_TOPMOST";
    if (insertAfter == HWND_NOTOPMOST) return "HWND_NOTOPMOST";
    if (insertAfter == HWND_TOP) return "HWND_TOP";
    if (insertAfter == HWND_BOTTOM) return "HWND_BOTTOM";
    std::snprintf(buffer, size, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(insertAfter));
    return buffer;
}

}  // namespace

std::recursive_mutex& Lock() {
    static std::recursive_mutex* lock = new std::recursive_mutex;
    return *lock;
}

Decoration DecorationOf(DWORD style) {
    if (!HasCaption(style)) return {0, 0, 0, 0};
    return {kFrameX, kFrameY, kFrameX / 2, kFrameY - kFrameX / 2};
}

WindowRecord* LiveWindow(HWND window) {
    if (!window) return nullptr;
    WindowRecord* record = AnyWindow(window);
    return record && record->alive ? record : nullptr;
}

WNDPROC ProcOf(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    return record ? record->proc : nullptr;
}

HWND ActiveWindow() {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    return LiveWindow(S().activeWindow) ? S().activeWindow : nullptr;
}

bool SetAppActive(HWND window, bool active) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    if (!LiveWindow(window)) return false;
    bool changed = S().appActive != active;
    S().appActive = active;
    S().activeWindow = window;
    return changed;
}

void ForgetActiveWindow(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    if (S().activeWindow == window) {
        S().activeWindow = nullptr;
        S().appActive = false;
    }
}

void NoteSdlMove(HWND window, int x, int y) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record) return;
    Decoration d = DecorationOf(record->style);
    LONG width = record->outer.right - record->outer.left;
    LONG height = record->outer.bottom - record->outer.top;
    record->outer.left = x - d.left;
    record->outer.top = y - d.top;
    record->outer.right = record->outer.left + width;
    record->outer.bottom = record->outer.top + height;
}

std::vector<HWND> LiveWindows() {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    std::vector<HWND> handles;
    for (auto& [handle, record] : S().windows)
        if (record->alive) handles.push_back(handle);
    return handles;
}

BOOL StoreTitle(HWND window, LPCSTR text) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record) return FALSE;
    record->title = text ? text : "";
    SDL_SetWindowTitle(record->sdl, platform::Cp932ToUtf8(record->title).c_str());
    return TRUE;
}

}  // namespace platform::winui

using namespace platform::winui;

// ---- sdl_bridge.h

namespace platform {

SDL_Window* SdlWindowOf(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    return record ? record->sdl : nullptr;
}

HWND WindowOfSdlId(Uint32 windowId) {
    if (windowId == 0) return nullptr;
    std::lock_guard<std::recursive_mutex> guard(Lock());
    for (auto& [handle, record] : S().windows)
        if (record->alive && record->sdlId == windowId) return handle;
    return nullptr;
}

void RetainSdlWindow(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = AnyWindow(window);
    // A dead window with no holder has already lost its SDL window.
    if (record && (record->alive || record->retained > 0)) ++record->retained;
}

void ReleaseSdlWindow(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = AnyWindow(window);
    if (!record || record->retained <= 0) return;
    --record->retained;
    DropIfUnused(window);
}

}  // namespace platform

// ---- System metrics

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        SDL_Rect bounds{0, 0, 640, 480};
        if (platform::EnsureSdl(SDL_INIT_VIDEO)) {
            SDL_Rect display;
            if (SDL_GetDisplayBounds(0, &display) == 0) bounds = display;
        }
        return index == SM_CXSCREEN ? bounds.w : bounds.h;
    }
    case SM_CYCAPTION: return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER: return kBorder;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return kFixedFrame;
    case SM_CXEDGE:
    case SM_CYEDGE: return kEdge;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
    }
}

// ---- Window classes

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    if (platform::FaultHit("RegisterClassA")) return 0;
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::recursive_mutex> guard(Lock());
    std::string key = ClassKey(windowClass->lpszClassName);
    if (S().classes.count(key)) {
        SetLastError(kErrorClassAlreadyExists);
        return 0;
    }
    ClassRecord record;
    record.info = *windowClass;
    record.name = windowClass->lpszClassName;
    record.info.lpszClassName = nullptr;  // the caller's text may not outlive the call
    record.info.lpszMenuName = nullptr;
    record.atom = S().nextAtom++;
    ATOM atom = record.atom;
    S().classes.emplace(key, std::move(record));
    return atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    auto it = S().classes.find(ClassKey(className));
    if (!className || it == S().classes.end()) {
        SetLastError(kErrorCannotFindClass);
        return FALSE;
    }
    for (auto& [handle, record] : S().windows)
        if (record->alive && ClassKey(record->className.c_str()) == it->first) {
            SetLastError(kErrorClassHasWindows);
            return FALSE;
        }
    S().classes.erase(it);
    return TRUE;
}

// ---- Windows

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (platform::FaultHit("CreateWindowExA")) return nullptr;
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    std::string classNameText;
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        auto it = S().classes.find(ClassKey(className));
        if (!className || it == S().classes.end()) {
            SetLastError(kErrorCannotFindClass);
            return nullptr;
        }
        proc = it->second.info.lpfnWndProc;
        classStyle = it->second.info.style;
        classNameText = it->second.name;
    }
    if (!platform::EnsureSdl(SDL_INIT_VIDEO)) return nullptr;

    // A top-level window that is not a popup always has a caption.
    if (!(style & WS_POPUP)) style |= WS_CAPTION;
    const bool show = (style & WS_VISIBLE) != 0;
    style &= ~static_cast<DWORD>(WS_VISIBLE);  // ShowWindow sets it again below

    Decoration d = DecorationOf(style);
    int clientWidth, clientHeight;
    if (width == CW_USEDEFAULT) {
        clientWidth = 640;
        clientHeight = 480;
        width = clientWidth + d.width;
        height = clientHeight + d.height;
    } else {
        clientWidth = std::max(0, width - d.width);
        clientHeight = std::max(0, height - d.height);
    }
    const bool defaultPosition = x == CW_USEDEFAULT;
    int sdlX = defaultPosition ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x + d.left;
    int sdlY = defaultPosition ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y + d.top;

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (!HasCaption(style)) flags |= SDL_WINDOW_BORDERLESS;
    std::string title = windowName ? windowName : "";
    // A 16-bit depth buffer and no stencil, so that the device's 16-bit depth surface
    // can live in the window beside the back buffer. On X11 only EGL gives exactly the
    // sizes asked for (GLX hands out the deepest); GLX stays the fallback.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_X11_FORCE_EGL, "1", SDL_HINT_DEFAULT);
    const auto create = [&] {
        return SDL_CreateWindow(platform::Cp932ToUtf8(title).c_str(), sdlX, sdlY, std::max(clientWidth, 1),
                                std::max(clientHeight, 1), flags);
    };
    SDL_Window* sdl = create();
    if (!sdl && SDL_GetHintBoolean(SDL_HINT_VIDEO_X11_FORCE_EGL, SDL_FALSE)) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEO_X11_FORCE_EGL, "0", SDL_HINT_OVERRIDE);
        sdl = create();
    }
    if (!sdl) {
        std::fprintf(stderr, "CreateWindowExA: cannot create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    platform::KeepGlLibrariesResident();
    if (defaultPosition) {
        SDL_GetWindowPosition(sdl, &x, &y);
        x -= d.left;
        y -= d.top;
    }

    HWND handle;
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        handle = reinterpret_cast<HWND>(S().nextHandle);
        S().nextHandle += 0x10;
        auto record = std::make_unique<WindowRecord>();
        record->handle = handle;
        record->proc = proc;
        record->classStyle = classStyle;
        record->className = classNameText;
        record->title = title;
        record->style = style;
        record->exStyle = exStyle;
        record->outer = {x, y, x + width, y + height};
        record->clientWidth = clientWidth;
        record->clientHeight = clientHeight;
        record->sdl = sdl;
        record->sdlId = SDL_GetWindowID(sdl);
        record->owner = std::this_thread::get_id();
        S().windows.emplace(handle, std::move(record));
    }

    // WM_CREATE answering -1 refuses the window.
    if (SendMessageA(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (show && IsWindow(handle)) ShowWindow(handle, SW_SHOW);
    return IsWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND window) {
    WNDPROC proc;
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        WindowRecord* record = LiveWindow(window);
        if (!record) {
            SetLastError(kErrorInvalidWindowHandle);
            return FALSE;
        }
        if (record->destroying) return TRUE;  // called again from its own WM_DESTROY
        record->destroying = true;
        proc = record->proc;
        if (record->visible) SDL_HideWindow(record->sdl);
        record->visible = false;
        record->style &= ~static_cast<DWORD>(WS_VISIBLE);
    }
    ForgetActiveWindow(window);
    if (proc) proc(window, WM_DESTROY, 0, 0);
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        WindowRecord* record = AnyWindow(window);
        if (record) {
            record->alive = false;
            DropIfUnused(window);
        }
    }
    PurgeWindowMessages(window);
    return TRUE;
}

BOOL IsWindow(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    return LiveWindow(window) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
    bool wasVisible = false;
    bool activate = false;
    bool deactivate = false;
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        WindowRecord* record = LiveWindow(window);
        if (!record) return FALSE;
        wasVisible = record->visible;
        switch (command) {
        case SW_HIDE:
            if (record->visible) SDL_HideWindow(record->sdl);
            record->visible = false;
            record->style &= ~static_cast<DWORD>(WS_VISIBLE);
            deactivate = true;
            break;
        case SW_MINIMIZE:
            if (!record->visible) SDL_ShowWindow(record->sdl);
            SDL_MinimizeWindow(record->sdl);
            record->visible = true;
            record->minimized = true;
            record->style |= WS_VISIBLE;
            deactivate = true;
            break;
        default:  // SW_SHOW, SW_SHOWNORMAL, SW_RESTORE
            if (!record->visible) SDL_ShowWindow(record->sdl);
            if (record->minimized) SDL_RestoreWindow(record->sdl);
            record->visible = true;
            record->minimized = false;
            record->style |= WS_VISIBLE;
            activate = true;
            break;
        }
    }
    // There may be no window manager to report focus (a headless display), so
    // showing the window is what activates the application.
    if (activate && SetAppActive(window, true)) SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    if (deactivate && ActiveWindow() == window && SetAppActive(window, false))
        SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) { return IsWindow(window); }

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    platform::RecordCall(std::string("SetWindowTextA ") + (text ? text : ""));
    if (!IsWindow(window)) return FALSE;
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    if (!text || maxCount <= 0) return 0;
    text[0] = 0;
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record) return 0;
    // Cut at a whole character: half a double-byte character would garble the end.
    const std::string& title = record->title;
    size_t limit = static_cast<size_t>(maxCount - 1);
    size_t length = 0;
    while (length < title.size()) {
        const size_t step = platform::CharBytes(title.data() + length, title.size() - length);
        if (length + step > limit) break;
        length += step;
    }
    std::memcpy(text, title.data(), length);
    text[length] = 0;
    return static_cast<int>(length);
}

LONG GetWindowLongA(HWND window, int index) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record) {
        SetLastError(kErrorInvalidWindowHandle);
        return 0;
    }
    if (index == GWL_STYLE) return static_cast<LONG>(record->style);
    if (index == GWL_EXSTYLE) return static_cast<LONG>(record->exStyle);
    SetLastError(kErrorInvalidIndex);
    return 0;
}

LONG SetWindowLongA(HWND window, int index, LONG newLong) {
    if (index == GWL_STYLE) {
        char line[64];
        std::snprintf(line, sizeof line, "SetWindowLongA GWL_STYLE 0x%08X", static_cast<unsigned>(newLong));
        platform::RecordCall(line);
    }
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record) {
        SetLastError(kErrorInvalidWindowHandle);
        return 0;
    }
    if (index == GWL_STYLE) {
        LONG previous = static_cast<LONG>(record->style);
        record->style = static_cast<DWORD>(newLong);
        // The frame follows the style; the size changes with the next SetWindowPos.
        SDL_SetWindowBordered(record->sdl, HasCaption(record->style) ? SDL_TRUE : SDL_FALSE);
        return previous;
    }
    if (index == GWL_EXSTYLE) {
        LONG previous = static_cast<LONG>(record->exStyle);
        record->exStyle = static_cast<DWORD>(newLong);
        return previous;
    }
    SetLastError(kErrorInvalidIndex);
    return 0;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    {
        char name[32];
        char line[128];
        std::snprintf(line, sizeof line, "SetWindowPos %s %d %d %d %d %u",
                      InsertAfterName(insertAfter, name, sizeof name), x, y, cx, cy, flags);
        platform::RecordCall(line);
    }
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        WindowRecord* record = LiveWindow(window);
        if (!record) {
            SetLastError(kErrorInvalidWindowHandle);
            return FALSE;
        }
        if (!(flags & SWP_NOZORDER)) {
            if (insertAfter == HWND_TOPMOST) {
                SDL_SetWindowAlwaysOnTop(record->sdl, SDL_TRUE);
                record->exStyle |= kWsExTopmost;
            } else if (insertAfter == HWND_NOTOPMOST) {
                SDL_SetWindowAlwaysOnTop(record->sdl, SDL_FALSE);
                record->exStyle &= ~kWsExTopmost;
            }
        }
        Decoration d = DecorationOf(record->style);
        if (!(flags & SWP_NOSIZE)) {
            cx = std::max(cx, 0);
            cy = std::max(cy, 0);
            record->outer.right = record->outer.left + cx;
            record->outer.bottom = record->outer.top + cy;
            record->clientWidth = std::max(0, cx - d.width);
            record->clientHeight = std::max(0, cy - d.height);
            SDL_SetWindowSize(record->sdl, std::max(record->clientWidth, 1), std::max(record->clientHeight, 1));
        }
        if (!(flags & SWP_NOMOVE)) {
            LONG width = record->outer.right - record->outer.left;
            LONG height = record->outer.bottom - record->outer.top;
            record->outer = {x, y, x + width, y + height};
            SDL_SetWindowPosition(record->sdl, x + d.left, y + d.top);
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOW);
    return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record || !rect) return FALSE;
    *rect = {0, 0, record->clientWidth, record->clientHeight};
    return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record || !rect) return FALSE;
    *rect = record->outer;
    return TRUE;
}

// ---- Activation and focus

HWND GetForegroundWindow() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_Window* focus = SDL_GetKeyboardFocus();
        if (focus) {
            HWND window = platform::WindowOfSdlId(SDL_GetWindowID(focus));
            if (window) return window;
        }
    }
    std::lock_guard<std::recursive_mutex> guard(Lock());
    return S().appActive ? ActiveWindow() : nullptr;
}

BOOL SetForegroundWindow(HWND window) {
    SDL_Window* sdl = platform::SdlWindowOf(window);
    if (!sdl) return FALSE;
    SDL_RaiseWindow(sdl);
    if (SetAppActive(window, true)) SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    return TRUE;
}

// One thread, one top-level window: the focus is the foreground window.
HWND GetFocus() { return GetForegroundWindow(); }

BOOL ScreenToClient(HWND window, LPPOINT point) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record || !point) return FALSE;
    int x = 0, y = 0;
    SDL_GetWindowPosition(record->sdl, &x, &y);
    point->x -= x;
    point->y -= y;
    return TRUE;
}
