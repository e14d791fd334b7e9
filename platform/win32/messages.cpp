// Message queues, one per thread, as Windows keeps them: posted messages in order,
// WM_QUIT as a flag that is delivered once the queue has drained, sent messages as
// direct calls of the window procedure.
#include <SDL.h>

#include <condition_variable>  // (not <chrono>: its literals do not fit CP932)
#include <deque>
#include <map>
#include <memory>

#include "platform/win32/kernel.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/user.h"
#include "platform/win32/window_internal.h"

namespace platform::winui {
namespace {

constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr LPARAM kRepeatBit = LPARAM(1) << 30;

struct ThreadQueue {
    std::deque<MSG> posted;
    bool quit = false;
    int quitCode = 0;
    std::condition_variable_any wake;
};

std::map<std::thread::id, std::unique_ptr<ThreadQueue>>& Queues() {
    static auto* queues = new std::map<std::thread::id, std::unique_ptr<ThreadQueue>>;
    return *queues;
}

// Lock held.
ThreadQueue& QueueOf(std::thread::id thread) {
    auto& slot = Queues()[thread];
    if (!slot) slot = std::make_unique<ThreadQueue>();
    return *slot;
}

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) return true;
    return message >= filterMin && message <= filterMax;
}

// A window filter of (HWND)-1 asks for thread messages only, as on Windows.
bool WindowMatches(HWND messageWindow, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return messageWindow == nullptr;
    return messageWindow == filter;
}

}  // namespace

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Merge merge) {
    // Read the clock and cursor before locking: a test's clock hook may post too.
    const DWORD time = GetTickCount();
    const POINT point = CursorPoint();
    std::lock_guard<std::recursive_mutex> guard(Lock());
    WindowRecord* record = LiveWindow(window);
    if (!record) return false;
    ThreadQueue& queue = QueueOf(record->owner);
    if (merge != Merge::None) {
        for (MSG& pending : queue.posted) {
            if (pending.hwnd != window || pending.message != message) continue;
            switch (merge) {
            case Merge::Replace:
                pending.wParam = wParam;
                pending.lParam = lParam;
                pending.time = time;
                pending.pt = point;
                return true;
            case Merge::AddRepeat: {
                if (pending.wParam != wParam || !(pending.lParam & kRepeatBit)) break;
                unsigned count = LOWORD(pending.lParam) + LOWORD(lParam);
                if (count > 0xFFFF) count = 0xFFFF;
                pending.lParam = (pending.lParam & ~LPARAM(0xFFFF)) | LPARAM(count);
                return true;
            }
            case Merge::AddWheel: {
                int sum = static_cast<SHORT>(HIWORD(pending.wParam)) + static_cast<SHORT>(HIWORD(wParam));
                if (sum < -32768 || sum > 32767) break;
                pending.wParam = (pending.wParam & 0xFFFF) | (WPARAM(static_cast<WORD>(sum)) << 16);
                pending.lParam = lParam;
                return true;
            }
            case Merge::Unique: return true;
            case Merge::None: break;
            }
        }
    }
    MSG entry{};
    entry.hwnd = window;
    entry.message = message;
    entry.wParam = wParam;
    entry.lParam = lParam;
    entry.time = time;
    entry.pt = point;
    queue.posted.push_back(entry);
    queue.wake.notify_all();
    return true;
}

void PurgeWindowMessages(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    for (auto& [thread, queue] : Queues())
        std::erase_if(queue->posted, [window](const MSG& m) { return m.hwnd == window; });
}

}  // namespace platform::winui

using namespace platform::winui;

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage) {
    if (!msg) return FALSE;
    platform::PumpSdlEvents();
    std::lock_guard<std::recursive_mutex> guard(Lock());
    ThreadQueue& queue = QueueOf(std::this_thread::get_id());
    for (auto it = queue.posted.begin(); it != queue.posted.end();) {
        if (it->hwnd && !LiveWindow(it->hwnd)) {  // its window died since it was posted
            it = queue.posted.erase(it);
            continue;
        }
        if (WindowMatches(it->hwnd, window) && InRange(it->message, filterMin, filterMax)) {
            *msg = *it;
            if (removeMessage & PM_REMOVE) queue.posted.erase(it);
            return TRUE;
        }
        ++it;
    }
    if (queue.quit && !window && InRange(WM_QUIT, filterMin, filterMax)) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(queue.quitCode);
        msg->time = GetTickCount();
        msg->pt = CursorPoint();
        if (removeMessage & PM_REMOVE) queue.quit = false;
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    for (;;) {
        if (window && window != reinterpret_cast<HWND>(-1) && !IsWindow(window)) {
            SetLastError(kErrorInvalidWindowHandle);
            return -1;
        }
        if (PeekMessageA(msg, window, filterMin, filterMax, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
        // Wake on a post from another thread, or after a short while to pump SDL again.
        std::unique_lock<std::recursive_mutex> lock(Lock());
        ThreadQueue& queue = QueueOf(std::this_thread::get_id());
        if (queue.posted.empty() && !queue.quit) queue.wake.wait_for(lock, std::chrono::milliseconds(5));
    }
}

// WM_CHAR comes from SDL's text input already; there is nothing to translate.
BOOL TranslateMessage(const MSG* msg) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    WNDPROC proc = ProcOf(msg->hwnd);
    return proc ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window) return FALSE;
    if (!Post(window, message, wParam, lParam)) {
        SetLastError(kErrorInvalidWindowHandle);
        return FALSE;
    }
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = ProcOf(window);
    return proc ? proc(window, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 becomes the system menu's Close, which asks the window to close.
        if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29))) SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETTEXT: return StoreTitle(window, reinterpret_cast<LPCSTR>(lParam));
    default: return 0;
    }
}

void PostQuitMessage(int exitCode) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    ThreadQueue& queue = QueueOf(std::this_thread::get_id());
    queue.quit = true;
    queue.quitCode = exitCode;
    queue.wake.notify_all();
}
