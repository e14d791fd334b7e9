// The message pump, the frame limiter and the frame statistics.
#include <cstdio>

#include "engine/core/Kestra.h"
#include "engine/core/KestraFrameState.h"
#include "engine/core/KestraInput.h"
#include "engine/core/KestraMicroThread.h"

namespace Kestra {

using detail::Frame;
using detail::FrameState;

bool WaitForMessage(bool force) {
    FrameState& f = Frame();
    for (;;) {
        if (PeekMessageA(&f.message, nullptr, 0, 0, PM_REMOVE)) {
            if (f.message.message == WM_QUIT) {
                f.active = 1;
                while (!KestraMicroThread::CheckEnd()) SleepEx(100, TRUE);
                return false;
            }
            TranslateMessage(&f.message);
            DispatchMessageA(&f.message);
        }
        if (force || f.active) {
            if (!f.window) return false;
            SyncFrame();
            KestraInput::Update();
            return true;
        }
        SleepEx(50, TRUE);
    }
}

namespace {

// What the limiter leaves to polling at a frame's end: a fifth of a millisecond.
constexpr int64_t kPolledPerSecond = 5000;

// A whole-millisecond sleep one short leaves up to 2 ms of the frame: the frame
// timer waits out all of it but the last polled fraction.
void WaitNearFrameEnd(const FrameState& f, int64_t frameEnd) {
    if (!f.frameTimer || f.frequency <= 0) return;
    const int64_t left = frameEnd - f.frequency / kPolledPerSecond - GetPerformanceCounter();
    LARGE_INTEGER due;
    due.QuadPart = -(left * 10'000'000 / f.frequency);  // relative, in 100 ns
    if (due.QuadPart < 0 && SetWaitableTimer(f.frameTimer, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(f.frameTimer, 2);
}

}  // namespace

void SyncFrame() {
    FrameState& f = Frame();
    f.entrySample = GetPerformanceCounter();
    const int64_t elapsed = f.entrySample - f.frameBaseline;

    if (f.frameRate != 0) {
        const int64_t frameLength =
            static_cast<int64_t>(static_cast<uint64_t>(f.frequency) / static_cast<uint64_t>(f.frameRate));
        if (elapsed < frameLength) {
            const int64_t remaining = f.frequency > 0 ? (frameLength - elapsed) * 1000 / f.frequency : 0;
            // Sleep once, a millisecond short, then to near the end, and poll the rest.
            if (remaining > 2) SleepEx(static_cast<DWORD>(remaining - 1), TRUE);
            WaitNearFrameEnd(f, f.frameBaseline + frameLength);
            while (GetPerformanceCounter() - f.frameBaseline < frameLength) {
            }
        }
    } else {
        SleepEx(0, TRUE);
    }

    const int64_t now = GetPerformanceCounter();
    f.frameBaseline = now;
    ++f.frames;

    // The window is measured to this frame's end: up to its entry, the frame just
    // counted has not run yet, and a loop paced at 60 would read 61.
    const int64_t window = now - f.statsBaseline;
    if (f.frequency > 0 && window >= f.frequency) {
        f.fps = static_cast<int32_t>(static_cast<double>(f.frequency) * f.frames / static_cast<double>(window) + 0.5);
        f.pps = f.polygons2D;
        f.ppf = f.polygons2D / f.frames;
        f.ppf3D = f.polygons3D / f.frames;
        if (f.captionStats && f.window) {
            char caption[256];
            const int length = snprintf(caption, sizeof(caption), "%s FPS[%d] PPS[%d] PPF[%d] PPF3D[%d]",
                                        f.applicationName, f.fps, static_cast<int>(f.pps), static_cast<int>(f.ppf),
                                        static_cast<int>(f.ppf3D));
            // A long name still leaves whole characters in the caption.
            if (length >= static_cast<int>(sizeof(caption))) detail::CutAtCharacter(caption, sizeof(caption));
            SetWindowTextA(f.window, caption);
        }
        f.frames = 0;
        f.polygons2D = 0;
        f.polygons3D = 0;
        f.statsBaseline = GetPerformanceCounter();
    }
}

void AddPolygonCount(uint32_t count) { Frame().polygons2D += count; }

void AddPolygonCount3D(uint32_t count) { Frame().polygons3D += count; }

}  // namespace Kestra
