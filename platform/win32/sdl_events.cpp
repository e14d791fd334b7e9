// SDL start-up and the event pump. The pump drains SDL's queue completely each
// time: input devices read every event through the observers, and only the few
// events the program handles as window messages are queued, merged where Windows
// merges them, so the engine's one message per frame never falls behind.
#include <SDL.h>
#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/cp932.h"
#include "platform/win32/kernel.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/user.h"
#include "platform/win32/window_internal.h"

namespace platform::winui {
namespace {

constexpr WPARAM kMkLButton = 0x0001;
constexpr WPARAM kMkRButton = 0x0002;
constexpr WPARAM kMkShift = 0x0004;
constexpr WPARAM kMkControl = 0x0008;
constexpr WPARAM kMkMButton = 0x0010;
constexpr LPARAM kAltDownBit = LPARAM(1) << 29;
constexpr LPARAM kRepeatBit = LPARAM(1) << 30;

struct Observer {
    SdlEventObserver function;
    void* user;
};

struct SdlState {
    std::mutex lock;
    bool threadKnown = false;
    std::thread::id thread;
    bool reportedFailure = false;
    bool videoUnavailable = false;  // the last attempt to start the video failed
    std::mutex observersLock;
    std::vector<Observer> observers;
};

SdlState& Sdl() {
    static SdlState* state = new SdlState;
    return *state;
}

thread_local bool t_pumping = false;

bool StillObserving(const Observer& observer) {
    std::lock_guard<std::mutex> guard(Sdl().observersLock);
    for (const Observer& o : Sdl().observers)
        if (o.function == observer.function && o.user == observer.user) return true;
    return false;
}

void NotifyObservers(const SDL_Event& event) {
    std::vector<Observer> observers;
    {
        std::lock_guard<std::mutex> guard(Sdl().observersLock);
        observers = Sdl().observers;
    }
    // An observer may remove another (a device released while events are handled).
    for (const Observer& observer : observers)
        if (StillObserving(observer)) observer.function(event, observer.user);
}

// Keyboard and text events of a window SDL does not name (no focus reported, as
// on a display without a window manager) go to the active window.
HWND TargetOf(Uint32 windowId) { return windowId ? WindowOfSdlId(windowId) : ActiveWindow(); }

LPARAM PointParam(int x, int y) { return static_cast<LPARAM>(MAKELONG(x, y)); }

WPARAM ButtonState(Uint32 buttons) {
    WPARAM state = 0;
    if (buttons & SDL_BUTTON_LMASK) state |= kMkLButton;
    if (buttons & SDL_BUTTON_RMASK) state |= kMkRButton;
    if (buttons & SDL_BUTTON_MMASK) state |= kMkMButton;
    SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) state |= kMkShift;
    if (mod & KMOD_CTRL) state |= kMkControl;
    return state;
}

void TranslateKeyDown(const SDL_KeyboardEvent& key) {
    HWND window = TargetOf(key.windowID);
    if (!window) return;
    const Uint16 mod = key.keysym.mod;
    const LPARAM repeat = key.repeat ? kRepeatBit : 0;
    const Merge merge = key.repeat ? Merge::AddRepeat : Merge::None;
    // Alt+key is a system key (Ctrl+Alt is AltGr, an ordinary key). Only the two
    // the program acts on are queued: Alt+Enter and Alt+F4.
    if ((mod & KMOD_ALT) && !(mod & KMOD_CTRL)) {
        WPARAM vk = 0;
        LPARAM scan = 0;
        LPARAM extended = 0;
        switch (key.keysym.sym) {
        case SDLK_RETURN: vk = VK_RETURN, scan = 0x1C; break;
        case SDLK_KP_ENTER: vk = VK_RETURN, scan = 0x1C, extended = LPARAM(1) << 24; break;
        case SDLK_F4: vk = VK_F4, scan = 0x3E; break;
        default: return;
        }
        Post(window, WM_SYSKEYDOWN, vk, 1 | (scan << 16) | extended | kAltDownBit | repeat, merge);
        return;
    }
    if (mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI)) return;
    // The control characters Windows turns these keys into (text input has none).
    WPARAM code = 0;
    switch (key.keysym.sym) {
    case SDLK_BACKSPACE: code = VK_BACK; break;
    case SDLK_TAB: code = VK_TAB; break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: code = VK_RETURN; break;
    case SDLK_ESCAPE: code = VK_ESCAPE; break;
    default: return;
    }
    Post(window, WM_CHAR, code, 1 | repeat, merge);
}

void TranslateText(const SDL_TextInputEvent& text) {
    HWND window = TargetOf(text.windowID);
    if (!window) return;
    // One WM_CHAR per CP932 byte, lead byte first, as an ANSI window receives them.
    for (unsigned char byte : platform::Utf8ToCp932(text.text)) Post(window, WM_CHAR, byte, 1);
}

void TranslateButton(const SDL_MouseButtonEvent& button) {
    if (button.clicks < 2 || button.clicks % 2 != 0) return;
    HWND window = WindowOfSdlId(button.windowID);
    if (!window) return;
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        WindowRecord* record = LiveWindow(window);
        if (!record || !(record->classStyle & CS_DBLCLKS)) return;
    }
    UINT message;
    switch (button.button) {
    case SDL_BUTTON_LEFT: message = WM_LBUTTONDBLCLK; break;
    case SDL_BUTTON_RIGHT: message = WM_RBUTTONDBLCLK; break;
    case SDL_BUTTON_MIDDLE: message = WM_MBUTTONDBLCLK; break;
    default: return;
    }
    Post(window, message, ButtonState(SDL_GetMouseState(nullptr, nullptr) | SDL_BUTTON(button.button)),
         PointParam(button.x, button.y));
}

void TranslateWheel(const SDL_MouseWheelEvent& wheel) {
    HWND window = TargetOf(wheel.windowID);
    if (!window) return;
    float notches = wheel.preciseY != 0.0f ? wheel.preciseY : static_cast<float>(wheel.y);
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    long delta = std::lround(notches * 120.0f);
    if (delta == 0) return;
    if (delta > 32767) delta = 32767;
    if (delta < -32768) delta = -32768;
    // The delta is signed, in the high word; the position is in screen coordinates.
    POINT point{0, 0};
    GetCursorPos(&point);
    WPARAM wParam = ButtonState(SDL_GetMouseState(nullptr, nullptr)) |
                    (WPARAM(static_cast<WORD>(static_cast<SHORT>(delta))) << 16);
    Post(window, WM_MOUSEWHEEL, wParam, PointParam(point.x, point.y), Merge::AddWheel);
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
    HWND window = WindowOfSdlId(event.windowID);
    if (!window) return;
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE: Post(window, WM_CLOSE, 0, 0, Merge::Unique); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (SetAppActive(window, true)) Post(window, WM_ACTIVATEAPP, TRUE, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED:
        if (SetAppActive(window, false)) Post(window, WM_ACTIVATEAPP, FALSE, 0);
        break;
    case SDL_WINDOWEVENT_MOVED: NoteSdlMove(window, event.data1, event.data2); break;
    default: break;
    }
}

void Translate(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:  // a termination signal: close the windows in order
        for (HWND window : LiveWindows()) Post(window, WM_CLOSE, 0, 0, Merge::Unique);
        break;
    case SDL_WINDOWEVENT: TranslateWindowEvent(event.window); break;
    case SDL_KEYDOWN: TranslateKeyDown(event.key); break;
    case SDL_TEXTINPUT: TranslateText(event.text); break;
    case SDL_MOUSEBUTTONDOWN: TranslateButton(event.button); break;
    case SDL_MOUSEWHEEL: TranslateWheel(event.wheel); break;
    case SDL_MOUSEMOTION: {
        HWND window = WindowOfSdlId(event.motion.windowID);
        if (window)
            Post(window, WM_MOUSEMOVE, ButtonState(event.motion.state), PointParam(event.motion.x, event.motion.y),
                 Merge::Replace);
        break;
    }
    default: break;
    }
}

// One line on standard error for the first failure: later calls fail the same way.
void ReportOnce(const std::string& line) {
    if (Sdl().reportedFailure) return;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    Sdl().reportedFailure = true;
}

// With no display to reach, SDL falls back to drivers that show nothing; the
// game would then run unseen at a full core until killed. Those drivers serve
// only when SDL_VIDEODRIVER names them (the tests do). Lock held.
bool StartVideo() {
    // Closing the last window is the program's business (WM_CLOSE), not a quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    Sdl().videoUnavailable = true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        ReportOnce(std::string("SDL cannot start: ") + SDL_GetError());
        return false;
    }
    if (!platform::VideoDriverAccepted(SDL_GetCurrentVideoDriver(), SDL_GetHint(SDL_HINT_VIDEODRIVER))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        ReportOnce("no display: set DISPLAY or run under a desktop session");
        return false;
    }
    Sdl().videoUnavailable = false;
    return true;
}

}  // namespace

bool OnSdlThread() {
    std::lock_guard<std::mutex> guard(Sdl().lock);
    return !Sdl().threadKnown || Sdl().thread == std::this_thread::get_id();
}

}  // namespace platform::winui

namespace platform {

using namespace platform::winui;

bool VideoDriverAccepted(const char* driver, const char* requested) {
    if (!driver || !*driver) return false;
    if (strcasecmp(driver, "offscreen") != 0 && strcasecmp(driver, "dummy") != 0) return true;
    // SDL reads the request as a comma-separated list of names, any letter case.
    const size_t length = std::strlen(driver);
    for (const char* name = requested; name && *name;) {
        const char* end = std::strchr(name, ',');
        const size_t nameLength = end ? static_cast<size_t>(end - name) : std::strlen(name);
        if (nameLength == length && strncasecmp(name, driver, length) == 0) return true;
        name = end ? end + 1 : nullptr;
    }
    return false;
}

bool EnsureSdl(Uint32 subsystems) {
    bool startedVideo = false;
    {
        std::lock_guard<std::mutex> guard(Sdl().lock);
        if (!(subsystems & ~SDL_WasInit(subsystems))) return true;
        if ((subsystems & SDL_INIT_VIDEO) && !SDL_WasInit(SDL_INIT_VIDEO)) {
            if (!StartVideo()) return false;
            startedVideo = true;
        }
        const Uint32 missing = subsystems & ~SDL_WasInit(subsystems);
        if (missing && SDL_InitSubSystem(missing) != 0) {
            ReportOnce(std::string("SDL cannot start: ") + SDL_GetError());
            return false;
        }
        if (!Sdl().threadKnown) {
            Sdl().threadKnown = true;
            Sdl().thread = std::this_thread::get_id();
        }
    }
    if (startedVideo) ApplyCursorVisibility();
    return true;
}

int ProcessExitStatus(int winMainResult) {
    if (winMainResult != 0) return winMainResult;
    std::lock_guard<std::mutex> guard(Sdl().lock);
    return Sdl().videoUnavailable ? 1 : 0;
}

void AddSdlEventObserver(SdlEventObserver observer, void* user) {
    if (!observer) return;
    std::lock_guard<std::mutex> guard(Sdl().observersLock);
    Sdl().observers.push_back({observer, user});
}

void RemoveSdlEventObserver(SdlEventObserver observer, void* user) {
    std::lock_guard<std::mutex> guard(Sdl().observersLock);
    auto& observers = Sdl().observers;
    for (auto it = observers.begin(); it != observers.end(); ++it)
        if (it->function == observer && it->user == user) {
            observers.erase(it);
            return;
        }
}

void PumpSdlEvents() {
    // Window procedures and observers may peek again; the outer pump finishes the job.
    if (t_pumping) return;
    if (!SDL_WasInit(SDL_INIT_EVENTS) || !OnSdlThread()) return;
    struct Guard {
        Guard() { t_pumping = true; }
        ~Guard() { t_pumping = false; }
    } guard;
    SDL_PumpEvents();
    SDL_Event events[64];
    for (;;) {
        int count = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        if (count <= 0) break;
        for (int i = 0; i < count; ++i) {
            NotifyObservers(events[i]);
            Translate(events[i]);
        }
    }
}

}  // namespace platform
