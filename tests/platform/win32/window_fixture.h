// Shared by the window and message tests: a window class whose procedure logs
// every message it receives (then hands it to DefWindowProcA), and cleanup.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/sdl_bridge.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"

namespace windowtest {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
}

inline LRESULT CALLBACK LoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back({window, message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

inline std::vector<UINT> MessagesOf(const std::vector<Seen>& seen, HWND window) {
    std::vector<UINT> messages;
    for (const Seen& s : seen)
        if (s.window == window) messages.push_back(s.message);
    return messages;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::EnsureSdl(SDL_INIT_VIDEO)) << "these tests need a display (Xvfb)";
        className_ = std::string("KestraWindowTest.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_NE(Register(className_, LoggingProc, CS_DBLCLKS), 0);
        Drain();
        Log().clear();
    }

    void TearDown() override {
        for (HWND window : windows_)
            if (IsWindow(window)) DestroyWindow(window);
        Drain();
        for (const std::string& name : classes_) UnregisterClassA(name.c_str(), nullptr);
        platform::SetCallRecording(false);
        platform::ClearRecordedCalls();
        platform::ClearFaults();
        Log().clear();
    }

    ATOM Register(const std::string& name, WNDPROC proc, UINT style) {
        WNDCLASSA windowClass{};
        windowClass.style = style;
        windowClass.lpfnWndProc = proc;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = name.c_str();
        ATOM atom = RegisterClassA(&windowClass);
        if (atom) classes_.push_back(name);
        return atom;
    }

    HWND Create(DWORD style, int x, int y, int width, int height, const char* title = "window test",
                const std::string& className = "") {
        HWND window = CreateWindowExA(0, (className.empty() ? className_ : className).c_str(), title, style, x, y,
                                      width, height, nullptr, nullptr, nullptr, nullptr);
        if (window) windows_.push_back(window);
        return window;
    }

    // The engine's windowed style and geometry: the requested client size plus
    // the decoration the system metrics report, centred on the screen.
    HWND CreateCaptioned(int clientWidth = 640, int clientHeight = 480, const char* title = "window test") {
        int width = clientWidth + GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXFIXEDFRAME) +
                    GetSystemMetrics(SM_CXBORDER);
        int height = clientHeight + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYFIXEDFRAME) +
                     GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION);
        int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
        int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
        return Create(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, width, height, title);
    }

    // Everything queued now, WM_QUIT included (which also clears the quit flag).
    static std::vector<MSG> Drain() {
        std::vector<MSG> all;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) all.push_back(msg);
        return all;
    }

    // The queued messages of one window, leaving out mouse moves and activation
    // changes that a live X server may add at any time.
    static std::vector<MSG> DrainFor(HWND window) {
        std::vector<MSG> mine;
        for (const MSG& msg : Drain())
            if (msg.hwnd == window && msg.message != WM_MOUSEMOVE && msg.message != WM_ACTIVATEAPP)
                mine.push_back(msg);
        return mine;
    }

    std::string className_;
    std::vector<std::string> classes_;
    std::vector<HWND> windows_;
};

}  // namespace windowtest
