// The frame's process-wide values, shared by the frame and the message pump.
#pragma once

#include <cstdint>

#include "platform/win32/win32.h"

namespace Kestra::detail {

struct FrameState {
    char applicationName[MAX_PATH];
    int32_t screenWidth;
    int32_t screenHeight;
    int32_t virtualWidth;
    int32_t virtualHeight;
    float scaleX;
    float scaleY;
    uint8_t windowed;
    uint32_t frameRate;
    uint32_t useFlags;
    uint8_t captionStats;
    uint8_t mouseCursor;
    HINSTANCE instance;
    HWND window;
    HANDLE mutex;
    char programFolder[MAX_PATH];
    uint8_t active;
    uint8_t started;
    int64_t frequency;

    // Message pump and statistics.
    HANDLE frameTimer;  // the limiter's fine wait; null: it polls
    int64_t frameBaseline;
    int64_t statsBaseline;
    int64_t entrySample;
    uint32_t frames;
    uint32_t polygons2D;
    uint32_t polygons3D;
    int32_t fps;
    uint32_t pps;
    uint32_t ppf;
    uint32_t ppf3D;
    MSG message;
};

FrameState& Frame();

// Cuts text at its last whole Shift-JIS character within capacity bytes
// (terminator included).
void CutAtCharacter(char* text, size_t capacity);

}  // namespace Kestra::detail
